"""Renders one sample song to sound with fluidsynth and a General MIDI soundfont, and checks that the sound
is not silent, starts with the first note and sounds as long as the song plays (mido's reckoning), give or take
the release of the last notes.

usage: render_sample.py TRIVANE SAMPLE.mml WORK_DIR"""
import array
import os
import shutil
import subprocess
import sys
import wave

import mido

trivane, sample, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
song = os.path.join(work, "song.mid")
sound = os.path.join(work, "song.wav")
subprocess.run([trivane, sample, song], check=True, stdout=subprocess.DEVNULL)
subprocess.run(["fluidsynth", "-ni", "-F", sound, "-r", "22050", "/usr/share/sounds/sf2/TimGM6mb.sf2", song],
               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

expected = mido.MidiFile(song).length
# The music may start late, after a reset message: sound must start with the first note.
first = 0.0
for message in mido.MidiFile(song):
    first += message.time
    if message.type == "note_on" and message.velocity > 0:
        break
with wave.open(sound, "rb") as w:
    seconds = w.getnframes() / w.getframerate()
    assert w.getsampwidth() == 2, w.getsampwidth()
    samples = array.array("h", w.readframes(w.getnframes()))
peak = max(abs(s) for s in samples)
# Quarter-second windows: sound must start at once, go on through the song and die away when it ends;
# fluidsynth itself renders some seconds of near silence after the last release.
window = 22050 * w.getnchannels() // 4
loudness = [max(map(abs, samples[i:i + window])) for i in range(0, len(samples) - window + 1, window)]
audible = [i for i, level in enumerate(loudness) if level > peak * 0.05]
sounding_end = (audible[-1] + 1) / 4 if audible else 0
within_song = loudness[int(first * 4):int(expected * 4)]
print(f"song {expected:.2f} s, file {seconds:.2f} s, audible until {sounding_end:.2f} s, peak {peak}")
ok = (peak > 1000 and audible and audible[0] == int(first * 4) and abs(sounding_end - expected) <= 1.0
      and sum(1 for level in within_song if level > peak * 0.05) >= 0.9 * len(within_song))
sys.exit(0 if ok else 1)

"""The native trivane program on every sample with several option sets: each file is read by mido and listed
by midicsv, which must agree with the summary trivane printed; one is rendered to sound by fluidsynth, which
must sound from the start for as long as the song plays. Format 0 holds the events of format 1, a pipe takes the
file, and a file too large is named in its message.

usage: check_files.py TRIVANE SAMPLES_DIR WORK_DIR"""
import array, glob, itertools, os, re, shutil, stat, subprocess, sys, wave
import mido

trivane, samples_dir, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
failures = []


def check(condition, what):
    failures.extend([] if condition else [print("FAIL:", what)])


def run(*args):
    done = subprocess.run([trivane, *args], stdout=subprocess.PIPE, cwd=work)
    return done.returncode, done.stdout.decode("utf-8")


samples = sorted(glob.glob(os.path.join(samples_dir, "*.mml")))
for sample in samples:
    listed = {}
    for options in ([], ["-f"], ["-x", "-v", "-t-3"]):
        out = os.path.join(work, os.path.basename(sample) + "".join(options) + ".mid")
        status, lines = run(*options, sample, out)
        found = re.search(r"音符 (\d+), 演奏時間 (\d+):(\d+\.\d), エラー 0, 警告 0", lines)
        check(status == 0 and found and len(samples) >= 3, f"{out}: {lines}")
        notes, seconds = (int(found[1]), int(found[2]) * 60 + float(found[3])) if found else (-1, 0)
        midi = mido.MidiFile(out, clip=False)
        ons = sum(1 for t in midi.tracks for m in t if m.type == "note_on" and m.velocity > 0)
        check(midi.type == ("-f" not in options) and ons == notes and abs(midi.length - seconds) <= 0.05
              and all([m.type for m in t].index("end_of_track") == len(t) - 1 for t in midi.tracks),
              f"{out}: mido reads type {midi.type}, {ons} notes, {midi.length:.3f} s: {lines}")
        csv = subprocess.run(["midicsv", out], stdout=subprocess.PIPE).stdout
        check(csv.count(b"Note_on_c") == notes and csv.count(b"End_track") == len(midi.tracks), f"{out}: midicsv")
        merged = mido.merge_tracks(midi.tracks)  # every event but the ends of track, at its time from the start
        listed["".join(options)] = sorted((t, str(m.copy(time=0))) for t, m in zip(
            itertools.accumulate(m.time for m in merged), merged) if m.type != "end_of_track")
    check(listed[""] == listed["-f"], f"{sample}: format 0 holds the events of format 1")

march = os.path.join(work, "march.mml.mid")
subprocess.run(["fluidsynth", "-ni", "-F", os.path.join(work, "song.wav"), "-r", "22050",
                "/usr/share/sounds/sf2/TimGM6mb.sf2", march], check=True, capture_output=True)
with wave.open(os.path.join(work, "song.wav"), "rb") as w:
    sound = array.array("h", w.readframes(w.getnframes()))
    window = w.getframerate() * w.getnchannels() // 4  # quarter seconds
loud = [max(map(abs, sound[i:i + window])) > 1000 for i in range(0, len(sound) - window, window)]
length = int(mido.MidiFile(march).length * 4)
check(all(loud[:length]) and abs(length - (max(i for i, x in enumerate(loud) if x) + 1)) <= 4, f"sound: {loud}")

# A pipe named as the output is written through, not replaced by a file.
os.mkfifo(pipe := os.path.join(work, "pipe.mid"))
reader = subprocess.Popen(["timeout", "20", "cat", pipe], stdout=subprocess.PIPE)
status, lines = run(os.path.join(samples_dir, "march.mml"), pipe)
check(status == 0 and reader.communicate()[0] == open(march, "rb").read() and stat.S_ISFIFO(os.stat(pipe).st_mode),
      f"pipe: {lines}")

open(song := os.path.join(work, "song.mml"), "wb").write(b"c" * (16 * 1024 * 1024 + 1))
status, lines = run(song, "big.mid")
check(status == 1 and lines.startswith("ERROR! 入力ファイルが大きすぎます") and song in lines, lines)
sys.exit(1 if failures else 0)

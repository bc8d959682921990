"""The commands for real songs, end to end through the native trivane: each case compiles a few lines of MML and
compares the events that mido reads with those the manual promises (ticks, values, order); every file made in
format 1 holds the same events as in format 0; mistakes fail with ERROR!; the bar check warns as promised; the
samples that show these commands sound with fluidsynth from their first note for as long as mido says.

usage: check_features.py TRIVANE SAMPLES_DIR WORK_DIR"""
import array
import os
import shutil
import subprocess
import sys
import wave

import mido

trivane, samples, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def text(message):
    return message.text.encode("latin1").decode("cp932") if hasattr(message, "text") else message.name


def describe(m):
    if m.type == "note_on":
        return f"on {m.note} {m.velocity}"
    return {"note_off": lambda: f"off {m.note}", "control_change": lambda: f"cc {m.control} {m.value}",
            "pitchwheel": lambda: f"bend {m.pitch}", "set_tempo": lambda: f"tempo {round(mido.tempo2bpm(m.tempo))}",
            "time_signature": lambda: f"meter {m.numerator}/{m.denominator} {m.clocks_per_click}",
            "key_signature": lambda: f"key {m.key}", "sysex": lambda: "sysex " + " ".join(f"{b:02X}" for b in m.data),
            "track_name": lambda: "name " + m.name.encode("latin1").decode("cp932"),
            "lyrics": lambda: "lyric " + text(m), "marker": lambda: "marker " + text(m), "text": lambda: "text " + text(m),
            "program_change": lambda: f"program {m.program}"}.get(m.type, lambda: m.type)()


def compile_mml(mml, *options):
    """Returns (exit status, output, tracks as lists of "tick event") of one compile."""
    source = os.path.join(work, "song.mml")
    with open(source, "wb") as f:
        f.write(mml.encode("cp932"))
    out = os.path.join(work, "song.mid")
    done = subprocess.run([trivane, *options, source, out], stdout=subprocess.PIPE)
    output = done.stdout.decode("utf-8")
    if done.returncode != 0:
        return done.returncode, output, []
    tracks = []
    for track in mido.MidiFile(out).tracks:
        tick, events = 0, []
        for m in track:
            tick += m.time
            if m.type != "end_of_track":
                events.append(f"{tick} {describe(m)}")
        tracks.append(events)
    return 0, output, tracks


C4 = "0 meter 4/4 24"
CASES = [
    # (what, MML, options, track, expected events of that track; track 0 is the conductor)
    ("chord, tie to the next chord", "A 'c e g' & 'c f a'", [], 1,
     ["0 on 60 100", "0 on 64 100", "0 on 67 100", "480 off 64", "480 off 67", "480 on 65 100", "480 on 69 100",
      "960 off 60", "960 off 65", "960 off 69"]),
    ("chord: -t, k and an octave mark that lasts to the quote; drum numbers stay", "A k1 'c > c' 'c n36'", ["-t2"], 1,
     ["0 on 63 100", "0 on 75 100", "480 off 63", "480 off 75", "480 on 63 100", "480 on 36 100", "960 off 63",
      "960 off 36"]),
    ("chord: -x swaps its octave marks", "A 'c > c'", ["-x"], 1, ["0 on 60 100", "0 on 48 100", "480 off 60", "480 off 48"]),
    ("chord: gate and velocity apply to every note, once a key", "A v80 q4 'c e c'2", [], 1,
     ["0 on 60 80", "0 on 64 80", "480 off 60", "480 off 64"]),
    ("tuplets: the remainder one pulse each to the last notes; lengths inside in proportion",
     "A l8 {c r e}4 {c d e f g}%103 {c4 d}4", [], 1,
     ["0 on 60 100", "160 off 60", "320 on 64 100", "480 off 64", "480 on 60 100", "500 off 60", "500 on 62 100",
      "520 off 62", "520 on 64 100", "541 off 64", "541 on 65 100", "562 off 65", "562 on 67 100", "583 off 67",
      "583 on 60 100", "903 off 60", "903 on 62 100", "1063 off 62"]),
    ("#time, #key, #reset gm: the music waits one bar", "#time 3/4\n#key b- minor\n#reset gm\nA t90 c", [], 0,
     ["0 sysex 7E 7F 09 01", "0 meter 3/4 24", "0 key Bbm", "0 tempo 90"]),
    ("#reset gm delays the notes and their lyric by one bar", "#time 3/4\n#reset gm\nA lyric\"la\" c", [], 1,
     ["1440 lyric la", "1440 on 60 100", "1920 off 60"]),
    ("#reset gs", "#reset gs\nA c", [], 0, ["0 sysex 41 10 42 12 40 00 7F 00 41", C4, "0 tempo 120"]),
    ("#reset xg, #key D, a time and a key change in the music, the later key of a tick counting",
     "#reset xg\n#key D\nA c1 time\"6/8\" key\"A\" key\"e minor\" c", [], 0,
     ["0 sysex 43 10 4C 00 00 7E 00", C4, "0 key D", "0 tempo 120", "3840 meter 6/8 12", "3840 key Em"]),
    ("#key spellings", "#key F#\nA c", [], 0, [C4, "0 key F#", "0 tempo 120"]),
    ("#key spellings", "#key c- major\nA c", [], 0, [C4, "0 key Cb", "0 tempo 120"]),
    ("#key spellings", "#key a# minor\nA c", [], 0, [C4, "0 key A#m", "0 tempo 120"]),
    ("bend range, bend and slides up and down", "A wr2 w-8192 c ~w8191,%60 r%60 ~w-4096,%60", [], 1,
     ["0 cc 101 0", "0 cc 100 0", "0 cc 6 2", "0 cc 38 0", "0 cc 101 127", "0 cc 100 127", "0 bend -8192",
      "0 on 60 100", "480 off 60", "510 bend 0", "540 bend 8191", "570 bend 2047", "600 bend -4096"]),
    ("short forms, then sweeps from their values", "A p10 m90 s100 ~p0,%90 ~s127,%30 c", [], 1,
     ["0 cc 10 10", "0 cc 7 90", "0 cc 11 100", "0 on 60 100", "30 cc 10 7", "30 cc 11 127", "60 cc 10 3",
      "90 cc 10 0", "480 off 60"]),
    ("a controller sweep from its default", "A ~y7,40,%60 c", [], 1, ["0 on 60 100", "30 cc 7 70", "60 cc 7 40",
                                                                      "480 off 60"]),
    ("crescendo note by note, then a step", "A ~v20,2 l8 c c c c ( c", [], 1,
     ["0 on 60 100", "240 off 60", "240 on 60 80", "480 off 60", "480 on 60 60", "720 off 60", "720 on 60 40",
      "960 off 60", "960 on 60 12", "1200 off 60"]),
    ("-v keeps its meaning after a velocity ramp", "A ~v20,2 l8 c c ( c", ["-v"], 1,
     ["0 on 60 100", "240 off 60", "240 on 60 80", "480 off 60", "480 on 60 68", "720 off 60"]),
    ("tempo ramp", "A t120 ~t60,%60 c", [], 0, [C4, "0 tempo 120", "30 tempo 90", "60 tempo 60"]),
    ("tempo by note value: 60 dotted quarters are 90 quarters; a change steps in whole quarters",
     "#time 6/8\nA t4.=60 c4. t8=100 c4. t4.=55 c4. ~t4.=40,%60 c4.", [], 0,
     ["0 meter 6/8 12", "0 tempo 90", "720 tempo 50", "1440 tempo 83", "2190 tempo 71", "2220 tempo 60"]),
    ("a new change starts from the value sounding, a new value ends it", "A ~s7,%120 ~w-400,%120 c%60 ~s127,%60 "
     "~w0,%60 c%60 s1 w9 c%30", [], 1, ["0 on 60 100", "30 cc 11 97", "30 bend -100", "60 off 60", "60 cc 11 67",
                                        "60 bend -200", "60 on 60 100", "90 cc 11 97", "90 bend -100", "120 off 60",
                                        "120 cc 11 1", "120 bend 9", "120 on 60 100", "150 off 60"]),
    ("the same for the tempo", "A t120 ~t60,%120 c%60 ~t120,%60 c%60 t100 c%30", [], 0,
     [C4, "0 tempo 120", "30 tempo 105", "60 tempo 90", "90 tempo 105", "120 tempo 100"]),
    ("articulation marks and dynamics", "A q7 l8 !. c !- c !> c !^ c !. !^ c !mf c !ppp c !fff c", [], 1,
     ["0 on 60 100", "120 off 60", "240 on 60 100", "480 off 60", "480 on 60 120", "690 off 60", "720 on 60 127",
      "900 off 60", "960 on 60 127", "1080 off 60", "1200 on 60 80", "1410 off 60", "1440 on 60 16", "1650 off 60",
      "1680 on 60 127", "1890 off 60"]),
    ("grace notes take their time from the note after them, also in a tuplet, where they are no member",
     "A l8 d0 c4 c0 d0 c e0 c16 n38,0 n38 {c d0 e}4", [], 1,
     ["0 on 62 100", "60 off 62", "60 on 60 100", "480 off 60", "480 on 60 100", "540 off 60", "540 on 62 100",
      "600 off 62", "600 on 60 100", "720 off 60", "720 on 64 100", "780 off 64", "780 on 60 100", "840 off 60",
      "840 on 38 100", "900 off 38", "900 on 38 100", "1080 off 38", "1080 on 60 100", "1320 off 60",
      "1320 on 62 100", "1380 off 62", "1380 on 64 100", "1560 off 64"]),
    ("the sustain pedal; a change presses again 30 pulses later, unless the pedal is set before",
     "A pedal\"down\" c pedal\"change\" d pedal\"change\" c%10 pedal\"up\" c", [], 1,
     ["0 cc 64 127", "0 on 60 100", "480 off 60", "480 cc 64 0", "480 on 62 100", "510 cc 64 127", "960 off 62",
      "960 cc 64 0", "960 on 60 100", "970 off 60", "970 cc 64 0", "970 on 60 100", "1450 off 60"]),
    ("swing: the second eighth of each pair comes late, triplets stay, the gate follows; sixteenths 60:40",
     "#time 2/4\n#swing 2:1\nA l8 c d {e f g}4 | q7 c d swing\"16 60:40\" c16 d16 e8 |", [], 1,
     ["0 on 60 100", "320 off 60", "320 on 62 100", "480 off 62", "480 on 64 100", "640 off 64", "640 on 65 100",
      "800 off 65", "800 on 67 100", "960 off 67", "960 on 60 100", "1240 off 60", "1280 on 62 100", "1420 off 62",
      "1440 on 60 100", "1566 off 60", "1584 on 62 100", "1668 off 62", "1680 on 64 100", "1890 off 64"]),
    ("swing: a pair whose second eighth is cut finer plays as written, so that no note ends before it sounds",
     "#swing 3:1\nA c8 c16 c16 c8", [], 1,
     ["0 on 60 100", "240 off 60", "240 on 60 100", "360 off 60", "360 on 60 100", "480 off 60", "480 on 60 100",
      "840 off 60"]),
    ("swing: turned off while a note it lengthened sounds, that note ends where the next one starts",
     "A l16 swing\"2:1\" c d swing\"off\" d8", [], 1,
     ["0 on 60 100", "120 off 60", "120 on 62 100", "240 off 62", "240 on 62 100", "480 off 62"]),
    ("gate in pulses, then in eighths", "A q%30 c c q6 c", [], 1,
     ["0 on 60 100", "450 off 60", "480 on 60 100", "930 off 60", "960 on 60 100", "1320 off 60"]),
    ("texts: name, marker, lyric at its note, text; code page 932 and ';' kept", "A name\"ピアノ\" marker\"a;b\" lyric\"ら\" c text\"t\"",
     [], 1, ["0 name ピアノ", "0 marker a;b", "0 lyric ら", "0 on 60 100", "480 off 60", "480 text t"]),
    ("sysex as written", "A sysex\"F0 41 10 42 12 40 00 7F 00 41 F7\" c", [], 1,
     ["0 sysex 41 10 42 12 40 00 7F 00 41", "0 on 60 100", "480 off 60"]),
]
for what, mml, options, index, expected in CASES:
    status, output, tracks = compile_mml(mml, *options)
    check(status == 0 and "Warning" not in output, f"{what}: compiles cleanly: {output}")
    if status != 0:
        continue
    check(tracks[index] == expected, f"{what}: {mml!r} {options}\n  got      {tracks[index]}\n  expected {expected}")
    _, _, merged = compile_mml(mml, "-f", *options)
    check(sorted(sum(tracks, [])) == sorted(merged[0]), f"{what}: format 0 holds the events of format 1")

# Mistakes: one error each, no file (a note after each, so that the song has one).
for mml in ["A 'c e", "A 'c4 e'", "A 'n36,8'", "A {c d e 4", "A key\"h\"", "A {c [d]}4", "A } c", "A ~q1,1", "A ~v10 c", "A w9000",
            "A wr25", "A q%-1", "#time 3/5\nA c", "#key h\nA c", "#key g#\nA c", "#reset gx\nA c", "A sysex\"F0 80 F7\"",
            "A sysex\"41 F7\"", "A sysex\"F0 41\"", "A sysex\"F0 4\"", "A name\"x", "A time\"3\"", "A !x", "A c0.", "A pedal\"on\"", "A swing\"4 2:1\"", "A humanize\"300 1\"", "A t7=60", "A t64=4"]:
    status, output, _ = compile_mml(mml + " c")
    check(status == 1 and output.count("ERROR! ") == 1, f"{mml!r}: one error: {output}")

# The bar check: only with a time signature; a pickup is bar 0; a tie across a bar line counts on both sides;
# every wrong bar of a line is told.
BARS = [("#time 3/4\nA c4 | c2. | c2 c2 | c2.", ["2 小節目が 3/4 拍子なのに 4/4"]),
        ("#time 3/4\nA c2. | c2 c8 c8 c8 | c2. | c2 | c2. | c1 |", ["2 小節目が 3/4 拍子なのに 7/8", "4 小節目が 3/4 拍子なのに 2/4",
                                                              "6 小節目が 3/4 拍子なのに 4/4"]),
        ("#time 4/4\nA c2 c2 | ^2 c4 | c1", ["2 小節目が 4/4 拍子なのに 3/4"]),
        ("#time 4/4\nA c1 | time\"3/4\" c2. | c1 | c", ["3 小節目が 3/4 拍子なのに 4/4"]),
        ("#time 4/4\nA c1 | c2 c2 | ^2 c2 | c1 |", []), ("A c4 | c2. | c1", [])]
for mml, expected in BARS:
    status, output, _ = compile_mml(mml)
    warnings = [line for line in output.splitlines() if "Warning: " in line]
    check(status == 0 and len(warnings) == len(expected) and all(f"トラック A の {w} あります" in got for w, got in
                                                                  zip(expected, warnings)), f"{mml!r}: bar check: {warnings}")

# Humanize: seeded, so a song always gives the same file; each note starts at most the pulses given early or late,
# never before the music, the note before it or the release of its key (also when it moves past two notes), and ends
# as written; velocities differ by at most the amount given.
SONG = "#humanize {}\nA l16 q4 " + "c d c c e " * 20 + "\nB l8 " + "c d e f " * 10
humanized, again, other, plain = (compile_mml(SONG.format(how))[2] for how in ("100 20 5", "100 20 5", "100 20 6", "off"))
check(humanized == again != other, "humanize: the same seed gives the same file, another seed another")
for moved, written, most, louder in [(m, w, 100, 20) for m, w in zip(humanized[1:], plain[1:])] + [
        (m, w, 240, 64) for m, w in zip(compile_mml(SONG.format("240 64 2147483647"))[2][1:], plain[1:])]:
    ons = [[int(x) for x in e.replace(" on ", " ").split()] for e in moved if " on " in e]
    wanted = [[int(x) for x in e.replace(" on ", " ").split()] for e in written if " on " in e]
    starts = [-1] + [w[0] for w in wanted] + [10 ** 9]  # written
    sounding, ok = set(), [e for e in moved if " off " in e] == [e for e in written if " off " in e]
    for e in moved:
        tick, what, key = e.split()[:3]
        ok = ok and not (what == "on" and key in sounding)
        sounding = sounding | {key} if what == "on" else sounding - {key}
    for i, ((tick, key, velocity), (at, _, loud)) in enumerate(zip(ons, wanted)):
        after = ons[i - 1][0] if i > 0 else -1
        ok = ok and abs(tick - at) <= most and abs(velocity - loud) <= louder and after < tick < starts[i + 2]
    check(ok and len(ons) == len(wanted) and ons != wanted, f"humanize: {moved}")

# Sound: loud in nine of ten quarter seconds from the first note (after the pause of #reset) to the end.
for name in ("waltz", "lead", "tuplets", "nocturne", "swing"):
    song, sound = os.path.join(work, name + ".mid"), os.path.join(work, name + ".wav")
    subprocess.run([trivane, os.path.join(samples, name + ".mml"), song], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["fluidsynth", "-ni", "-F", sound, "-r", "22050", "/usr/share/sounds/sf2/TimGM6mb.sf2", song],
                   check=True, capture_output=True)
    with wave.open(sound, "rb") as w:
        samples16 = array.array("h", w.readframes(w.getnframes()))
        window = w.getframerate() * w.getnchannels() // 4
    levels = [max(map(abs, samples16[i:i + window])) for i in range(0, len(samples16) - window, window)]
    loud = [level > max(levels) * 0.05 for level in levels]
    seconds, starts = 0.0, []
    for m in mido.MidiFile(song):
        seconds += m.time
        starts += [seconds] if m.type == "note_on" else []
    start, end = int(starts[0] * 4), int(seconds * 4)
    check(max(levels) > 1000 and not any(loud[:start]) and sum(loud[start:end]) >= 0.9 * (end - start)
          and abs(end - (max(i for i, x in enumerate(loud) if x) + 1)) <= 4, f"{name}: {start} to {end}: {loud}")

print(f"{len(CASES)} cases, {len(failures)} failures")
sys.exit(1 if failures else 0)

"""The native trivane program end to end: every sample with several option sets, each produced file checked by
our strict reader (smfcheck), parsed by mido and listed by midicsv; the banner and usage run; failures that
must leave an existing output file as it was.

usage: check_files.py TRIVANE SMFCHECK SAMPLES_DIR BROKEN_MML WORK_DIR"""
import glob
import os
import re
import shutil
import subprocess
import sys

import mido

trivane, smfcheck, samples_dir, broken, work = sys.argv[1:6]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(*args):
    """Runs trivane; returns (exit status, output lines). Every line must end in CR LF."""
    done = subprocess.run([trivane, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=work)
    out = done.stdout
    check(out.endswith(b"\r\n") and out.count(b"\n") == out.count(b"\r\n") and b"\r\r" not in out,
          f"lines end in CR LF: {args}")
    return done.returncode, out.decode("cp932").split("\r\n")[:-1]


def summary_of(lines):
    match = re.search(r"音符 (\d+), 演奏時間 (\d+):(\d+)\.(\d)", "\n".join(lines))
    return int(match.group(1)), int(match.group(2)) * 60 + int(match.group(3)) + int(match.group(4)) / 10


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

# The banner run: a banner first, then usage, and no error marker anywhere; asking for help does the same.
for args in ([], ["-h"], ["--help"], ["/?"]):
    status, lines = run(*args)
    check(status == 0, f"{args}: exit status 0")
    check(lines and lines[0].startswith("Trivane version 2.0.0.1"), f"{args}: banner first: {lines[:1]}")
    check(len(lines) > 3 and not any("ERROR! " in line for line in lines), f"{args}: usage without ERROR!")

option_sets = [[], ["-f"], ["-x", "-v"], ["-t-12"], ["-t05"], ["-x", "-v", "-f", "-t-3"]]
samples = sorted(glob.glob(os.path.join(samples_dir, "*.mml")))
check(len(samples) >= 3, "three samples or more")
produced = []
for sample in samples:
    for options in option_sets:
        out = os.path.join(work, os.path.basename(sample)[:-4] + "".join(options) + ".mid")
        status, lines = run(*options, sample, out)
        check(status == 0 and not any("ERROR! " in line for line in lines), f"{sample} {options}: {lines}")
        if status != 0:
            continue
        produced.append(out)
        check(f"SMF format {0 if '-f' in options else 1} で書き出しました: {out}" in lines, f"{out}: named as written")
        notes, seconds = summary_of(lines)
        midi = mido.MidiFile(out, clip=False)
        check(midi.type == (0 if "-f" in options else 1), f"{out}: type {midi.type}")
        check(all(track and track[-1].type == "end_of_track" for track in midi.tracks), f"{out}: end of track last")
        check(sum(1 for track in midi.tracks for end in track if end.type == "end_of_track") == len(midi.tracks),
              f"{out}: one end of track a track")
        ons = [m for track in midi.tracks for m in track if m.type == "note_on" and m.velocity > 0]
        check(len(ons) == notes, f"{out}: mido counts {len(ons)} notes, trivane said {notes}")
        check(abs(midi.length - seconds) < 0.11, f"{out}: mido plays {midi.length:.2f} s, trivane said {seconds}")
        csv = subprocess.run(["midicsv", out], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        check(csv.returncode == 0, f"{out}: midicsv failed")
        check(csv.stdout.count(b"Note_on_c") == notes, f"{out}: midicsv note count")
        check(csv.stdout.count(b"End_track") == len(midi.tracks), f"{out}: midicsv track count")

checked = subprocess.run([smfcheck, *produced], stdout=subprocess.PIPE, text=True)
check(checked.returncode == 0 and len(produced) == len(samples) * len(option_sets), "smfcheck:\n" + checked.stdout)

# Failures print ERROR!, exit non-zero and leave what stood at the output path as it was, with no
# temporary file beside it.
target = os.path.join(work, "kept.mid")
for args in ([broken, target], ["-t13", samples[0], target], ["-q", samples[0], target],
             [os.path.join(work, "missing.mml"), target], [samples[0]], [samples[0], samples[0]],
             [work, target]):
    with open(target, "wb") as f:
        f.write(b"untouched")
    status, lines = run(*args)
    check(status != 0 and any("ERROR! " in line for line in lines), f"{args}: fails with ERROR!")
    check(open(target, "rb").read() == b"untouched", f"{args}: output left as it was")
# A message about a file gives its reason before the path, which a narrow list cuts off.
unwritable = os.path.join(work, "no-such-folder", "out.mid")
status, lines = run(samples[0], unwritable)
check(status != 0 and "ERROR! 出力ファイルに書き込めません: " + unwritable in lines, f"unwritable output: {lines}")
missing = os.path.join(work, "missing.mml")
status, lines = run(missing, target)
check("ERROR! 入力ファイルを開けません: " + missing in lines, f"missing input: {lines}")
status, lines = run(broken, target)
errors = [line for line in lines if "ERROR! " in line]
check(all(line.count("in line ") == 1 for line in errors), "each error names its line once")
check(not [name for name in os.listdir(work) if name.endswith(".tmp")], "no temporary file left")

print(f"{len(produced)} files checked, {len(failures)} failures")
sys.exit(1 if failures else 0)

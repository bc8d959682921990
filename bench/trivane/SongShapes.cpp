#include "SongShapes.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>

namespace {

constexpr int Voices = 8;
constexpr int Quarter = 480;  // pulses, as trivane counts them
constexpr int Eighth = Quarter / 2;
constexpr int Sixteenth = Quarter / 4;
constexpr int Whole = Quarter * 4;

// A linear congruential sequence: the same numbers on every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    int Below(int n)
    {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) % static_cast<std::uint32_t>(n));
    }

private:
    std::uint32_t state_;
};

// A note as both languages spell it: a letter (0-6 for c to b), a sharp or flat, and the octave of the letter
// (o4 c is middle C, which ABC writes C).
struct Pitch {
    int letter = 0;
    int accidental = 0;
    int octave = 4;
};

constexpr int MiddleC = 28;  // o4 c, counted in white keys from o0 c

Pitch White(int step)
{
    return Pitch{step % 7, 0, step / 7};
}

// A MIDI key spelled with sharps, as drum parts are written by number.
Pitch OfKey(int key)
{
    static const int letters[] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    static const int accidentals[] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
    return Pitch{letters[key % 12], accidentals[key % 12], key / 12 - 1};
}

// A sharp or a flat that the letter takes as people write them: no b+, c-, e+ or f-.
int AccidentalFor(int letter, Random& random)
{
    const bool sharp = letter != 2 && letter != 6;
    const bool flat = letter != 0 && letter != 3;
    return sharp && flat ? (random.Below(2) ? 1 : -1) : sharp ? 1 : -1;
}

std::string Number(long value)
{
    return std::to_string(value);
}

// One voice being written: its current line in both languages, and what each reader has in mind at this
// point: MML's octave, and the letters that an accidental has marked in ABC's current bar.
class Voice {
public:
    Voice(int index, int abcUnit)
        : index(index), random(0x5EED0000u + static_cast<std::uint32_t>(index) * 7919u), unit_(abcUnit)
    {
    }

    const int index;
    Random random;
    std::string mml;
    std::string abc;
    long notes = 0;
    int octave = 4;  // MML's
    int step = MiddleC + 7;
    bool tied = false;  // the note before is tied over into this bar
    Pitch tiedPitch;

    // Moves a random walk over the white keys by -2 to 2 steps, within [low, high].
    int Walk(int low, int high)
    {
        step = std::clamp(step + random.Below(5) - 2, low, high);
        return step;
    }

    // Brings MML's octave to `wanted` with < and >.
    void MoveTo(int wanted)
    {
        for (; octave < wanted; ++octave)
            mml += '>';
        for (; octave > wanted; --octave)
            mml += '<';
    }
    // Brings MML's octave to `wanted` with o, written only where it changes.
    void SetOctave(int wanted)
    {
        if (wanted != octave)
            mml += "o" + Number(wanted) + " ";
        octave = wanted;
    }

    // The note's name and accidental; its octave is the caller's business.
    void MmlNote(const Pitch& p, char sharp = '+')
    {
        mml += "cdefgab"[p.letter];
        if (p.accidental != 0)
            mml += p.accidental > 0 ? sharp : '-';
    }

    // An accidental holds to the end of the bar in ABC, so once a letter has one in a bar it is always written
    // with its own there; whether abc2midi carries it to other octaves then does not matter.
    void AbcPitch(const Pitch& p)
    {
        const unsigned bit = 1u << p.letter;
        if (p.accidental != 0 || (marked_ & bit)) {
            abc += p.accidental > 0 ? '^' : p.accidental < 0 ? '_' : '=';
            marked_ |= bit;
        }
        if (p.octave >= 5) {
            abc += "cdefgab"[p.letter];
            abc.append(static_cast<std::size_t>(p.octave - 5), '\'');
        } else {
            abc += "CDEFGAB"[p.letter];
            abc.append(static_cast<std::size_t>(4 - p.octave), ',');
        }
    }
    // A length in ABC's unit note (L:), left out when it is one unit.
    void AbcLength(int pulses)
    {
        const int divisor = std::gcd(pulses, unit_);
        const int numerator = pulses / divisor, denominator = unit_ / divisor;
        if (numerator != 1)
            abc += Number(numerator);
        if (denominator != 1)
            abc += "/" + Number(denominator);
    }
    void AbcNote(const Pitch& p, int pulses)
    {
        AbcPitch(p);
        AbcLength(pulses);
    }
    void AbcBar(const char* line = "|")
    {
        abc += line;
        marked_ = 0;
    }

private:
    unsigned marked_ = 0;
    const int unit_;  // pulses of ABC's unit note length
};

// An eighth note of the walk over two octaves from middle C, its octave moved with < and > (written
// without a blank, as such tunes mostly are).
void WalkingEighth(Voice& v, int low = MiddleC, int high = MiddleC + 13)
{
    const Pitch p = White(v.Walk(low, high));
    v.MoveTo(p.octave);
    v.MmlNote(p);
    v.AbcNote(p, Eighth);
    ++v.notes;
}

// "cdefg>c<b": letters and < >, l8.
void LettersBar(Voice& v)
{
    for (int i = 0; i < 8; ++i)
        WalkingEighth(v);
    v.AbcBar();
}

// "o4 c d e+ f# | o5 c": o before each octave move, sharps and flats, bar lines; `count` eighths a bar.
void OctavesBar(Voice& v, int count)
{
    for (int i = 0; i < count; ++i) {
        Pitch p = White(v.Walk(MiddleC - 7, MiddleC + 13));
        if (v.random.Below(3) == 0)
            p.accidental = AccidentalFor(p.letter, v.random);
        v.SetOctave(p.octave);
        v.MmlNote(p, v.random.Below(4) == 0 ? '#' : '+');
        v.mml += ' ';
        v.AbcNote(p, Eighth);
        ++v.notes;
    }
    v.mml += "| ";
    v.AbcBar();
}

// Written lengths, dots, ^ and rests, in rhythms that fill a bar of 4/4 (l8 being the default length).
void LengthsBar(Voice& v)
{
    struct Item {
        int sixteenths;
        int tied;  // sixteenths added with ^, which ABC writes as a tie
        const char* length;
        bool rest;
    };
    const Item q{4, 0, "4", false}, e{2, 0, "", false}, de{3, 0, "8.", false}, s{1, 0, "16", false},
        dq{6, 0, "4.", false}, h{8, 0, "2", false}, qe{4, 2, "4^8", false}, dqs{6, 1, "4.^16", false},
        he{8, 2, "2^8", false}, rq{4, 0, "4", true}, re{2, 0, "", true};
    static const std::vector<std::vector<Item>> bars = {
        {q, q, q, q}, {de, s, q, rq, q},      {qe, e, rq, q},        {dq, e, h},
        {he, re, q},  {s, s, e, e, e, rq, q}, {e, e, e, re, dqs, s}, {q, de, s, h},
    };
    for (const Item& item : bars[static_cast<std::size_t>(v.random.Below(static_cast<int>(bars.size())))]) {
        if (item.rest) {
            v.mml += 'r';
            v.mml += item.length;
            v.abc += 'z';
            v.AbcLength(item.sixteenths * Sixteenth);
        } else {
            const Pitch p = White(v.Walk(MiddleC, MiddleC + 13));
            v.MoveTo(p.octave);
            v.MmlNote(p);
            v.mml += item.length;
            v.AbcNote(p, item.sixteenths * Sixteenth);
            if (item.tied > 0) {
                v.abc += '-';
                v.AbcNote(p, item.tied * Sixteenth);
            }
            ++v.notes;
        }
        v.mml += ' ';
    }
    v.AbcBar();
}

// "'c e g'4 c d 'd f a'4 e f": three-note chords with single notes between.
void ChordsBar(Voice& v)
{
    for (int half = 0; half < 2; ++half) {
        const int root = v.Walk(MiddleC, MiddleC + 13);
        v.MoveTo(White(root).octave);
        v.mml += '\'';
        v.abc += '[';
        int inside = v.octave;  // the chord's own < and > end at its closing quote
        for (int k = 0; k < 3; ++k) {
            const Pitch p = White(root + 2 * k);
            if (p.octave > inside) {
                v.mml += "> ";
                inside = p.octave;
            }
            v.MmlNote(p);
            v.mml += k < 2 ? ' ' : '\'';
            v.AbcPitch(p);
            ++v.notes;
        }
        v.mml += "4 ";
        v.abc += ']';
        v.AbcLength(Quarter);
        for (int i = 0; i < 2; ++i) {
            WalkingEighth(v);
            v.mml += ' ';
        }
    }
    v.AbcBar();
}

// A velocity every four notes, a controller each bar: "y11,96 v75 cdef v105 gab>c".
void DynamicsBar(Voice& v)
{
    static const int velocities[] = {45, 60, 75, 90, 105, 120};
    static const char* const marks[] = {"pp", "p", "mp", "mf", "f", "ff"};
    const int expression = 64 + v.random.Below(64);
    v.mml += "y11," + Number(expression) + " ";
    v.abc += "[I:MIDI=control 11 " + Number(expression) + "]";
    for (int group = 0; group < 2; ++group) {
        const int level = v.random.Below(6);
        v.mml += "v" + Number(velocities[level]) + " ";
        v.abc += "!" + std::string(marks[level]) + "!";
        for (int i = 0; i < 4; ++i)
            WalkingEighth(v);
        v.mml += ' ';
    }
    v.AbcBar();
}

// "[cdefgab>c<]2": a bar played twice. The body ends in the octave it began in, as people write loops,
// so that both passes play the same notes.
void RepeatsBar(Voice& v)
{
    const int start = v.octave;
    v.mml += '[';
    v.abc += "|:";
    const long before = v.notes;
    for (int i = 0; i < 8; ++i)
        WalkingEighth(v);
    v.MoveTo(start);
    v.mml += "]2 ";
    v.AbcBar(":|");
    v.notes += v.notes - before;
}

// Macros with arguments, one bar each; ABC, which has none, gets the notes they expand to.
struct MacroShape {
    const char* name;
    int parameters;
    const char* body;
};
const MacroShape Macros[] = {
    {"up", 1, "$1 c d e f g a b > c"},  {"down", 1, "$1 > c < b a g f e d c"}, {"arp", 2, "$1 c e g > c < g e c $2"},
    {"alb", 2, "$1 $2 g e g $2 g e g"}, {"turn", 0, "c d c < b > c d e f"},
};

std::string MacroDefinitions()
{
    std::string text = "; riffs, each one bar of eighths\n";
    for (const MacroShape& m : Macros)
        text +=
            "$" + std::string(m.name) + (m.parameters ? "(" + Number(m.parameters) + ")" : "") + " = " + m.body + "\n";
    return text;
}

void MacroBar(Voice& v)
{
    const MacroShape& m = Macros[v.random.Below(static_cast<int>(std::size(Macros)))];
    const std::string octave = "o" + Number(3 + v.random.Below(3));
    const std::string note(1, "cdefgab"[v.random.Below(7)]);
    v.mml += "$" + std::string(m.name);
    if (m.parameters == 1)
        v.mml += "(" + octave + ")";
    else if (m.parameters == 2)
        v.mml += "(" + octave + ", " + note + ")";
    v.mml += ' ';
    // What the call plays: the body with its arguments in place, read as trivane reads it.
    std::string expanded;
    for (const char* c = m.body; *c; ++c) {
        if (*c == '$')
            expanded += *++c == '1' ? octave : note;
        else
            expanded += *c;
    }
    for (std::size_t i = 0; i < expanded.size(); ++i) {
        const char c = expanded[i];
        if (c == 'o')
            v.octave = expanded[++i] - '0';
        else if (c == '<' || c == '>')
            v.octave += c == '>' ? 1 : -1;
        else if (c >= 'a' && c <= 'g') {
            v.AbcNote(Pitch{static_cast<int>(std::string_view("cdefgab").find(c)), 0, v.octave}, Eighth);
            ++v.notes;
        }
    }
    v.AbcBar();
}

// A drum part by note numbers at l16: bass drum and snare on the beats, hi-hats between, now and then a
// rest, an open hi-hat of an eighth ("n46,8") or a crash at the start of the bar.
void DrumsBar(Voice& v)
{
    for (int at = 0; at < 16;) {
        const int r = v.random.Below(16);
        if (r == 0 && at % 4 != 0) {
            v.mml += "r ";
            v.abc += 'z';
            v.AbcLength(Sixteenth);
            ++at;
            continue;
        }
        int key = at % 8 == 0 ? 36 : at % 8 == 4 ? 38 : r < 3 ? 46 : r < 5 ? 44 : 42;
        int sixteenths = 1;
        if (at == 0 && r == 15)
            key = 49;
        if ((key == 49 || key == 46) && at + 2 <= 16)
            sixteenths = 2;
        v.mml += "n" + Number(key) + (sixteenths == 2 ? ",8 " : " ");
        v.AbcNote(OfKey(key), sixteenths * Sixteenth);
        ++v.notes;
        at += sixteenths;
    }
    v.AbcBar();
}

// Long notes of a string pad, whole or half notes, a whole one now and then tied with & into the next bar.
void PadBar(Voice& v)
{
    if (v.tied) {
        v.tied = false;
        v.MmlNote(v.tiedPitch);
        v.mml += "1 ";
        v.AbcNote(v.tiedPitch, Whole);
        v.AbcBar();
        return;
    }
    const int r = v.random.Below(4);
    for (int i = 0; i < (r == 0 ? 2 : 1); ++i) {
        const Pitch p = White(v.Walk(MiddleC - 7, MiddleC + 6));
        v.MoveTo(p.octave);
        v.MmlNote(p);
        v.mml += r == 0 ? "2 " : "1 ";
        v.AbcNote(p, r == 0 ? Whole / 2 : Whole);
        ++v.notes;
        if (r == 1) {
            v.mml += "& ";
            v.abc += '-';
            v.tied = true;
            v.tiedPitch = p;
        }
    }
    v.AbcBar();
}

std::string AbcHeader(const char* title, const char* meter, const char* unit)
{
    return "X:1\nT:" + std::string(title) + "\nM:" + meter + "\nL:" + unit + "\nQ:1/4=120\nK:C\n";
}

// A song whose voices come one after another, each in lines of `barsPerLine` bars, each voice starting
// with its own settings: the shape of most long benchmark songs and of many real ones.
struct Layout {
    std::string mmlHead;
    std::string abcHead;
    int abcUnit = Eighth;
    int barsPerLine = 4;
    std::string mmlStart = "l8 o4";  // after the track name; the first track sets the tempo too
    std::string abcStart;            // after the voice's V: line
    bool programs = true;            // a program for each voice (drums share channel 10, so take none)
    std::function<void(Voice&)> bar;
};

GeneratedSong OneAfterAnother(const Layout& layout, long notes)
{
    GeneratedSong song;
    song.mml = layout.mmlHead;
    song.abc = layout.abcHead;
    for (int i = 0; i < Voices; ++i) {
        Voice v(i, layout.abcUnit);
        const long target = notes / Voices + (i < notes % Voices ? 1 : 0);
        const std::string track(1, static_cast<char>('A' + i));
        const std::string program = layout.programs ? Number(i * 8) : "";
        song.mml +=
            track + (i == 0 ? " t120 " : " ") + (layout.programs ? "@" + program + " " : "") + layout.mmlStart + "\n";
        song.abc +=
            "V:" + Number(i + 1) + "\n" + (layout.programs ? "%%MIDI program " + program + "\n" : "") + layout.abcStart;
        while (v.notes < target) {
            for (int bar = 0; bar < layout.barsPerLine && v.notes < target; ++bar)
                layout.bar(v);
            song.mml += track + " " + v.mml + "\n";
            song.abc += v.abc + "\n";
            v.mml.clear();
            v.abc.clear();
        }
        song.notes += v.notes;
    }
    return song;
}

GeneratedSong Letters(long notes)
{
    Layout layout;
    layout.mmlHead = "#title letters\n";
    layout.abcHead = AbcHeader("letters", "4/4", "1/8");
    layout.bar = LettersBar;
    return OneAfterAnother(layout, notes);
}

GeneratedSong Octaves(long notes)
{
    Layout layout;
    layout.mmlHead = "#title octaves\n#time 3/4\n";
    layout.abcHead = AbcHeader("octaves", "3/4", "1/8");
    layout.bar = [](Voice& v) { OctavesBar(v, 6); };
    return OneAfterAnother(layout, notes);
}

GeneratedSong Lengths(long notes)
{
    Layout layout;
    layout.mmlHead = "#title lengths\n";
    layout.abcHead = AbcHeader("lengths", "4/4", "1/16");
    layout.abcUnit = Sixteenth;
    layout.bar = LengthsBar;
    return OneAfterAnother(layout, notes);
}

GeneratedSong Chords(long notes)
{
    Layout layout;
    layout.mmlHead = "#title chords\n";
    layout.abcHead = AbcHeader("chords", "4/4", "1/8");
    layout.bar = ChordsBar;
    return OneAfterAnother(layout, notes);
}

GeneratedSong Dynamics(long notes)
{
    Layout layout;
    layout.mmlHead = "#title dynamics\n";
    layout.abcHead = AbcHeader("dynamics", "4/4", "1/8");
    layout.bar = DynamicsBar;
    return OneAfterAnother(layout, notes);
}

GeneratedSong Repeats(long notes)
{
    Layout layout;
    layout.mmlHead = "#title repeats\n";
    layout.abcHead = AbcHeader("repeats", "4/4", "1/8");
    layout.bar = RepeatsBar;
    return OneAfterAnother(layout, notes);
}

GeneratedSong MacroCalls(long notes)
{
    Layout layout;
    layout.mmlHead = "#title macros\n" + MacroDefinitions();
    layout.abcHead = AbcHeader("macros", "4/4", "1/8");
    layout.bar = MacroBar;
    return OneAfterAnother(layout, notes);
}

GeneratedSong Drums(long notes)
{
    Layout layout;
    layout.mmlHead = "#title drums\n#channel ABCDEFGH 10\n";
    layout.abcHead = AbcHeader("drums", "4/4", "1/16");
    layout.abcUnit = Sixteenth;
    layout.mmlStart = "l16 v110";
    layout.abcStart = "%%MIDI channel 10\n";
    layout.programs = false;
    layout.bar = DrumsBar;
    return OneAfterAnother(layout, notes);
}

// A song as people arrange one: eight named parts of different kinds (melody with bar lines, a counter
// melody in written lengths, chords, bass, an arpeggio in loops, a tied pad, brass with dynamics, drums on
// channel 10), written phrase by phrase, four bars of every part after a comment, with block and line-end
// comments, in UTF-8 with Japanese text (u8: the other literals are code page 932, which is ASCII here).
GeneratedSong Arranged(long notes)
{
    struct Part {
        const char* name;
        int program;
        const char* settings;
        std::function<void(Voice&)> bar;
    };
    const Part parts[Voices] = {
        {u8"メロディ (melody)", 73, "l8 v100 q7 o4", [](Voice& v) { OctavesBar(v, 8); }},
        {u8"対旋律 (counter melody)", 71, "l8 v90 o4", LengthsBar},
        {u8"ピアノ (piano)", 0, "l8 v80 o4", ChordsBar},
        {u8"ベース (bass)", 33, "l8 v110 o4",
         [](Voice& v) {
             for (int i = 0; i < 8; ++i)
                 WalkingEighth(v, MiddleC - 14, MiddleC - 1);
             v.AbcBar();
         }},
        {u8"ハープ (harp)", 46, "l8 v70 o4", RepeatsBar},
        {u8"ストリングス (strings)", 48, "l8 v64 o4", PadBar},
        {u8"ブラス (brass)", 61, "l8 o4", DynamicsBar},
        {u8"ドラム (drums)", 0, "l16 v110", DrumsBar},
    };
    GeneratedSong song;
    song.mml =
        u8"; 編曲の形の曲: 8 パート、4 小節ずつ\n; a song laid out as arranged: eight parts, four bars at a time\n"
        u8"#title 編曲 (arranged)\n#copyright (C) 2026\n#time 4/4\n#channel H 10\n";
    song.abc = u8"X:1\nT:編曲 (arranged)\nM:4/4\nL:1/16\nQ:1/4=120\nK:C\n";
    std::vector<Voice> voices;
    voices.reserve(Voices);
    for (int i = 0; i < Voices; ++i) {
        voices.emplace_back(i, Sixteenth);
        const std::string track(1, static_cast<char>('A' + i));
        song.mml += track + " name\"" + parts[i].name + "\"" + (i == 0 ? " t120" : "") +
                    (i == 7 ? "" : " @" + Number(parts[i].program)) + " " + parts[i].settings + "\n";
        song.abc += "V:" + Number(i + 1) + " name=\"" + parts[i].name + "\"\n" +
                    (i == 7 ? "%%MIDI channel 10\n" : "%%MIDI program " + Number(parts[i].program) + "\n");
    }
    long total = 0;
    for (int phrase = 0; total < notes; ++phrase) {
        const std::string bar = Number(phrase * 4 + 1);
        song.mml += "\n; " + bar + u8" 小節目から (from bar " + bar + ")\n";
        song.abc += "% " + bar + u8" 小節目から (from bar " + bar + ")\n";
        if (phrase % 8 == 7) {
            song.mml += u8"/* ここで 8 小節の間奏: 全パート\n   an interlude of eight bars: every part */\n";
            song.abc += u8"% ここで 8 小節の間奏: 全パート\n% an interlude of eight bars: every part\n";
        }
        for (Voice& v : voices) {
            // The loops play each bar twice: two of them make four bars.
            const int bars = v.index == 4 ? 2 : 4;
            const long before = v.notes;
            for (int b = 0; b < bars; ++b)
                parts[v.index].bar(v);
            total += v.notes - before;
            song.mml += std::string(1, static_cast<char>('A' + v.index)) + " " + v.mml;
            song.abc += "V:" + Number(v.index + 1) + "\n" + v.abc;
            if (v.index == 0 && phrase % 4 == 3) {
                song.mml += u8" ; サビ (chorus)";
                song.abc += u8" % サビ (chorus)";
            }
            song.mml += "\n";
            song.abc += "\n";
            v.mml.clear();
            v.abc.clear();
        }
    }
    song.notes = total;
    return song;
}

}  // namespace

const std::vector<SongShape>& SongShapes()
{
    static const std::vector<SongShape> shapes = {
        {"letters", "letters with < > at l8", Letters},
        {"octaves", "o before each octave move, sharps and flats, bar lines, #time 3/4", Octaves},
        {"lengths", "written lengths, dots, ^ ties, rests", Lengths},
        {"chords", "three-note chords 'c e g'4 with single notes between", Chords},
        {"dynamics", "a velocity every four notes, a controller each bar", Dynamics},
        {"repeats", "bars played twice with [ ]2", Repeats},
        {"macros", "macros with arguments, $arp(o5, d), one bar each", MacroCalls},
        {"drums", "drum parts: n36 n42 at l16, channel 10", Drums},
        {"arranged", "eight named parts of these kinds, phrase by phrase, comments, UTF-8", Arranged},
    };
    return shapes;
}

GeneratedSong OneNoteSong()
{
    GeneratedSong song;
    song.mml = "A c\n";
    song.abc = "X:1\nT:one note\nM:4/4\nL:1/4\nK:C\nC|\n";
    song.notes = 1;
    return song;
}

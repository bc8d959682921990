#include "Performer.h"

#include "Parser.h"
#include "SmfWriter.h"

#include <algorithm>
#include <array>

// Most tracks come out in order already (a note's release is made when the next note starts), or with an event
// a place or two early (a controller at the tick where the note before it is released): each of those is moved
// back to its place. A track further out of order is sorted whole. Either way the order is the one a stable
// sort gives, which is unique.
void SortEvents(Events& events)
{
    auto before = [](const Event& a, const Event& b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        return a.IsNoteOff() && !b.IsNoteOff();
    };
    constexpr std::size_t MostMoved = 64;
    const std::size_t count = events.size();
    const Event* const at = events.data();
    for (std::size_t i = 1; i < count; ++i) {
        // Played events come mostly in order already: a later tick is all the loop asks about them.
        if (at[i].tick > at[i - 1].tick || !before(at[i], at[i - 1]))
            continue;
        const Event event = events[i];
        std::size_t to = i - 1;
        while (to > 0 && i - to < MostMoved && before(event, events[to - 1]))
            --to;
        if (to > 0 && before(event, events[to - 1])) {
            std::stable_sort(events.begin(), events.end(), before);
            return;
        }
        std::move_backward(events.begin() + static_cast<std::ptrdiff_t>(to),
                           events.begin() + static_cast<std::ptrdiff_t>(i),
                           events.begin() + static_cast<std::ptrdiff_t>(i + 1));
        events[to] = event;
    }
}

namespace {

constexpr int DefaultTempo = 120;

// What the whole song may still spend; shared by its tracks.
struct Budget {
    std::int64_t steps = 0;
    std::int64_t events = 0;
    bool exhausted = false;
};

struct TempoChange {
    std::uint32_t tick;
    int bpm;               // quarter notes a minute, rounded
    std::uint32_t micros;  // of a quarter note, exact
    char track;
    std::int32_t line;  // of the command, for messages
    std::uint32_t at;
};

struct MeterChange {
    std::uint32_t tick;
    int beats;
    int beatNote;
};

struct KeyChange {
    std::uint32_t tick;
    int sharps;
    bool minor;
};

struct BarLine {
    std::uint32_t tick;  // from the start of the music
    Place place;
};

// Gradual changes step every 64th note: smooth to the ear, 32 events a half note at most.
constexpr int RampStep = TicksPerQuarter / 16;

// A grace note sounds a 32nd note, taken from the start of the note after it.
constexpr int GraceTicks = TicksPerQuarter / 8;

// Grace notes waiting for their note, told apart from the marks in the same field.
constexpr int GracesWaiting = 1 << 8;

// A change of the sustain pedal lifts it and presses it again a 64th note later.
constexpr int PedalLift = TicksPerQuarter / 16;

// The value a gradual change from `from` to `to` over `length` has reached after `elapsed`, rounded.
int Interpolate(int from, int to, std::int64_t elapsed, std::int64_t length)
{
    std::int64_t numerator = static_cast<std::int64_t>(to - from) * elapsed * 2;
    std::int64_t rounded =
        numerator >= 0 ? (numerator + length) / (2 * length) : -((-numerator + length) / (2 * length));
    return from + static_cast<int>(rounded);
}

// What every track shares while it is played.
struct Shared {
    std::vector<TempoChange> tempos;  // a tempo taken back by a later one of its track has bpm 0
    std::vector<MeterChange> meters;
    std::vector<KeyChange> keys;
    std::int64_t notes = 0;
    std::int64_t notesOutOfRange = 0;  // played as rests
    std::uint32_t start = 0;           // where the music starts: after the reset message's pause
    std::int64_t barTicks = 0;         // a bar of the song's first time signature
    int swingPair = 0;                 // #swing
    int swingFirst = 0;
    int humanizeTiming = 0;  // #humanize
    int humanizeVelocity = 0;
    std::uint32_t humanizeSeed = 1;
};

std::int64_t BarTicks(int beats, int beatNote)
{
    return static_cast<std::int64_t>(beats) * TicksPerWhole / beatNote;
}

class TrackPlayer {
public:
    TrackPlayer(const Track& track,
                EventTrack& out,
                std::vector<BarLine>& bars,
                Shared& shared,
                const CompileOptions& options,
                Diagnostics& diagnostics,
                Budget& budget)
        : track_(track),
          out_(out),
          bars_(bars),
          shared_(shared),
          options_(options),
          diagnostics_(diagnostics),
          budget_(budget),
          channel_(static_cast<std::uint8_t>(track.channel - 1)),
          drums_(track.channel == DrumChannel),
          tick_(shared.start),
          barStart_(shared.start),
          barTicks_(shared.barTicks),
          swingPair_(shared.swingPair),
          swingFirst_(shared.swingFirst),
          humanize_(shared.humanizeTiming | shared.humanizeVelocity << 16)
    {
        Seed(shared.humanizeSeed);
        values_.fill(0);
        values_[7] = 100;  // what a module starts with: volume 100, pan in the middle, full expression
        values_[10] = 64;
        values_[11] = 127;
        values_[ramp::Tempo] = DefaultTempo;
        SetKeyBase();
    }

    void Play();

private:
    // The note or chord that sounds now (no keys: none); its note-offs wait until we know whether '&' joins
    // the next note or chord to it.
    struct Sounding {
        bool tied = false;
        bool swung = false;  // its end was moved by swing, which may be off by the time it is released
        std::vector<int> keys;
        std::int64_t fullEnd = 0;
        std::int64_t gateEnd = 0;
    };
    // Where a note or chord is struck, ends and is released, and how hard: as written, then shaped.
    struct Strike {
        std::int64_t start;
        std::int64_t end;
        std::int64_t gateEnd;
        int velocity;
    };
    struct VelocityRamp {
        std::int64_t start = 0;
        std::int64_t end = 0;  // none when at or before the tick
        int from = 0;
    };
    struct Loop {
        CommandReader bodyStart;
        int remaining;
    };
    // The events of the last gradual change of a controller, the bend or the tempo, made when the change began.
    struct Change {
        std::size_t first = 0;
        std::size_t end = 0;  // in out_.events, or in shared_.tempos for the tempo
    };

    void Execute(const Token& token, CommandReader& commands);
    void Sound(const Token& token);
    int KeyOf(const Token& token) const { return keyBase_ + token.value; }
    // The key of c in the octave now, transposed except on the drum channel: set whenever the octave or the
    // transposition changes, as it is asked at every note.
    void SetKeyBase() { keyBase_ = (octave_ + 1) * 12 + (drums_ ? 0 : transpose_ + options_.transpose); }
    [[gnu::always_inline]] inline void SoundOne(int key, std::int64_t ticks);
    // After a plain note struck outside a tuplet, which sounds alone: whether the notes after it may be struck by
    // PlayPlainRun(), at a set velocity and for their whole length.
    bool PlainRunMayFollow() const
    {
        return !budget_.exhausted && gateCut_ == 0 && gate_ == 8 && tick_ >= velocityRamp_.end;
    }
    void PlayPlainRun(CommandReader& commands, std::int64_t& steps, std::int64_t maxSteps);
    // True when something shapes the next note: then Shape() runs, and the plain notes pay for one test.
    bool Shaping() const { return (marks_ | swingPair_ | humanize_) != 0; }
    // Written time to the time played: with swing, the second of each pair of eighths (or sixteenths) from the
    // start of the bar comes late, where the long first one ends.
    std::int64_t Swung(std::int64_t tick) const
    {
        if (swingPair_ == 0)
            return tick;
        const std::int64_t half = swingPair_ / 2, into = ((tick - barStart_) % swingPair_ + swingPair_) % swingPair_;
        return into == half ? tick - half + swingFirst_ : tick;
    }
    // Where a note written from `start` to `end` is struck: the second of a pair late, unless the note ends before
    // the pair does; then the pair is cut finer and plays as written, so that no note ends before it sounds.
    std::int64_t SwungStart(std::int64_t start, std::int64_t end) const
    {
        const std::int64_t swung = Swung(start);
        return swung == start || end - start >= swingPair_ - swingPair_ / 2 ? swung : start;
    }
    void Shape(Strike& strike, bool tied, const std::vector<int>& keys);
    void Humanize(Strike& strike, bool early, const std::vector<int>& keys);
    // Random numbers for humanize: the same seed and track always give the same ones (splitmix64).
    void Seed(std::uint32_t seed)
    {
        random_ = static_cast<std::uint64_t>(seed) << 8 | static_cast<unsigned char>(track_.name);
    }
    int Deviation(int most)
    {
        std::uint64_t z = random_ += 0x9E3779B97F4A7C15u;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        z ^= z >> 31;
        return static_cast<int>(z % static_cast<std::uint64_t>(2 * most + 1)) - most;
    }
    void PlayGraces(Strike& strike, bool tied, int velocity);
    void DropOrnaments(const char* why);
    // At every note: worth no call of its own.
    // Ends the sounding note or chord. One that swing lengthened ends at the latest where what comes now is
    // struck, `next` or by default the tick swung: after a bar line that moves the pairs, or once swing is off.
    static constexpr std::int64_t SwungNow = -1;
    [[gnu::always_inline]] inline void Release(std::int64_t next = SwungNow);
    std::int64_t NoteTicks(const Token& token) { return tupletLeft_ == 0 ? TicksOf(token) : TupletShare(token); }
    std::int64_t TupletShare(const Token& token);
    // Both here for the common case, asked at every note: no ramp going on, the whole length sounding.
    int VelocityNow() const { return tick_ >= velocityRamp_.end ? velocity_ : RampedVelocity(); }
    int RampedVelocity() const;
    std::int64_t GateTicks(std::int64_t ticks) { return gateCut_ == 0 && gate_ == 8 ? ticks : ShortenedGate(ticks); }
    std::int64_t ShortenedGate(std::int64_t ticks);
    int ValueNow(int thing) const;
    void EndChange(int thing, bool keepNow);
    void SetValue(int thing, int value)
    {
        EndChange(thing, false);
        values_[thing] = value;
    }
    void Ramp(const Token& token);
    std::uint32_t MetaTick() const { return tick_ == shared_.start ? 0 : static_cast<std::uint32_t>(tick_); }
    void EmitMeta(std::int64_t tick, std::uint8_t status, int type, int text);
    void Advance(std::int64_t ticks)
    {
        tick_ += ticks;
        if (tick_ > options_.limits.maxTicks)
            Stop(0, "曲が長すぎます");
    }
    std::int64_t TicksOf(const Token& token) { return TicksOf(token, defaultTicks_); }
    std::int64_t TicksOf(const Token& token, std::int64_t defaultTicks)
    {
        std::int64_t base = token.length.base;
        if (base == 0)
            base = token.length.Dots() == 0 ? defaultTicks : DottedDefault(token, defaultTicks);
        return base + token.length.extra;
    }
    std::int64_t DottedDefault(const Token& token, std::int64_t defaultTicks);
    // Counts one more event of the song, tempo changes included; false when it may not be made.
    bool Spend(std::int64_t tick)
    {
        if (budget_.exhausted || tick > options_.limits.maxTicks)
            return false;
        if (++budget_.events > options_.limits.maxEvents) {
            Stop(0, "MIDI イベントが多すぎます");
            return false;
        }
        return true;
    }
    // Counts two events at once, up to `latest`, as most notes make; false, with nothing counted, where Spend
    // would refuse either of them.
    bool SpendBoth(std::int64_t latest)
    {
        if (budget_.exhausted || latest > options_.limits.maxTicks || budget_.events + 2 > options_.limits.maxEvents)
            return false;
        budget_.events += 2;
        return true;
    }
    void Emit(std::int64_t tick, std::uint8_t status, int data1, int data2)
    {
        if (Spend(tick))
            Put(tick, status, data1, data2);
    }
    // The event is put together where it is kept: built apart and copied whole, in wider pieces than it was
    // written in, it would wait for those writes to reach memory, twice a note.
    void Put(std::int64_t tick, std::uint8_t status, int data1, int data2)
    {
        Event& event = out_.events.emplace_back();
        event.tick = static_cast<std::uint32_t>(tick);
        event.status = status;
        event.data1 = static_cast<std::uint8_t>(data1);
        event.data2 = static_cast<std::uint8_t>(data2);
    }
    void Stop(int line, const char* what);

    const Track& track_;
    EventTrack& out_;
    std::vector<BarLine>& bars_;
    Shared& shared_;
    const CompileOptions& options_;
    Diagnostics& diagnostics_;
    Budget& budget_;
    const std::uint8_t channel_;
    const bool drums_;

    std::int64_t tick_;
    int octave_ = 4;
    std::int64_t defaultTicks_ = TicksPerQuarter;
    int velocity_ = 100;
    int gate_ = 8;
    int gateCut_ = 0;  // pulses; used instead of gate_ when above 0
    Place gateCutPlace_ = 0;
    int transpose_ = 0;
    int keyBase_ = 0;
    // Of each thing a gradual change moves (a controller, ramp::Bend, ramp::Tempo): the value before the events
    // of its last change, and those events. A new value of the same thing takes back the ones that would sound
    // with it or after it, so that no tick holds two values of one thing.
    std::array<int, ramp::Tempo + 1> values_;
    std::array<Change, ramp::Tempo + 1> changes_{};
    bool takenBack_ = false;
    VelocityRamp velocityRamp_;
    // Articulation marks for the next note or chord, and where the first of them was written.
    int marks_ = 0;
    Place marksPlace_ = 0;
    // Grace notes for the next note or chord: their keys, and where the first of them was written.
    std::vector<int> graces_;
    Place gracesPlace_ = 0;
    // The last lyric, while no note has been struck since: a rest then would take it.
    std::int64_t notesAtLyric_ = -1;
    Place lyricPlace_ = 0;
    // Where the bar sounding now began (a bar line, a time signature change or the start) and its length.
    std::int64_t barStart_;
    std::int64_t barTicks_;
    int swingPair_;  // as Op::Swing
    int swingFirst_;
    int humanize_;  // as Op::Humanize: pulses | velocity << 16
    std::uint64_t random_ = 0;
    // Where each key was released last: with humanize, a note may not start early over a key still sounding.
    std::array<std::int64_t, 128> releasedAt_{};
    std::int64_t lastStart_ = -1;  // of the note or chord struck last with humanize
    // The notes of the chord being read, then the keys to strike.
    std::vector<int> keys_;
    // The group of '{ }' being played: notes still to come, the pulses left for them and the sum of their own
    // lengths, those without a number counted as the default length at the '{'.
    int tupletLeft_ = 0;
    std::int64_t tupletTicks_ = 0;
    std::int64_t tupletWeight_ = 0;
    std::int64_t tupletDefault_ = 0;
    Sounding sounding_;
    std::vector<Loop> loops_;
};

void TrackPlayer::Play()
{
    // Room for the events counted as the track was read: grown as they are made, they would be copied into new
    // pages. Room reserved and never written costs no memory.
    const std::int64_t expected = std::min(track_.events, options_.limits.maxEvents);
    if (out_.events.capacity() < static_cast<std::size_t>(expected))
        out_.events.reserve(static_cast<std::size_t>(expected));
    // The steps are counted here and handed back at the end: nothing else looks at them while a track plays.
    std::int64_t steps = budget_.steps;
    const std::int64_t maxSteps = options_.limits.maxSteps;
    CommandReader commands(track_.code);
    while (!commands.AtEnd() && !budget_.exhausted) {
        if (++steps > maxSteps) {
            Stop(commands.NextLine(), "ループを展開したコマンドが多すぎます");
            break;
        }
        // Most commands are plain notes, or drums by their numbers: struck here, without the call through the whole
        // switch, and most of them straight from their short form.
        const bool plain = !sounding_.tied && !Shaping();
        int key = 0;
        std::uint32_t base = 0;
        if (plain && tupletLeft_ == 0 && commands.NextShortNote(keyBase_, key, base)) {
            SoundOne(key, base != 0 ? base : defaultTicks_);
            if (PlainRunMayFollow())
                PlayPlainRun(commands, steps, maxSteps);
            continue;
        }
        const Token& token = commands.Next();
        if ((token.op == Op::Note || token.op == Op::RawNote) && plain) {
            key = token.op == Op::Note ? KeyOf(token) : token.value;
            if (key >= 0 && key <= 127) {
                SoundOne(key, NoteTicks(token));
                continue;
            }
        }
        Execute(token, commands);
    }
    budget_.steps = steps;
    Release();
    DropOrnaments("後に音符がないので");
    if (notesAtLyric_ == shared_.notes)
        diagnostics_.Warning(lyricPlace_, "lyric の後に音符がありません");
    if (takenBack_)
        out_.events.erase(std::remove_if(out_.events.begin(), out_.events.end(),
                                         [](const Event& event) { return event.status == 0; }),
                          out_.events.end());
    out_.endTick = static_cast<std::uint32_t>(std::min(tick_, options_.limits.maxTicks));
}

// `token` is the one `commands` read last, and changes when a loop moves them.
void TrackPlayer::Execute(const Token& token, CommandReader& commands)
{
    switch (token.op) {
        case Op::Note:
        case Op::ChordNote: {
            const int key = KeyOf(token);  // a plain note in range was struck by Play()
            if (key < 0 || key > 127) {
                diagnostics_.Warning(Place(token.line, token.at),
                                     "音域 (ノート番号 0 から 127) の外の音 %d を休符にしました", key);
                ++shared_.notesOutOfRange;
            } else if (std::find(keys_.begin(), keys_.end(), key) == keys_.end())
                keys_.push_back(key);
            if (token.op == Op::Note)
                Sound(token);
            break;
        }
        case Op::RawNote:  // a plain one was struck by Play()
            keys_.push_back(token.value);
            Sound(token);
            break;
        case Op::ChordRawNote:
            if (std::find(keys_.begin(), keys_.end(), token.value) == keys_.end())
                keys_.push_back(token.value);
            break;
        case Op::Chord:
            Sound(token);
            break;
        case Op::Rest: {
            if (notesAtLyric_ == shared_.notes)
                diagnostics_.Warning(lyricPlace_,
                                     "lyric の次が休符です (歌詞は休符の時刻に入ります。音符の直前に書きます)");
            notesAtLyric_ = -1;
            DropOrnaments("次が休符なので");
            std::int64_t ticks = NoteTicks(token);
            Release();
            Advance(ticks);
            break;
        }
        case Op::TupletBegin: {
            tupletTicks_ = TicksOf(token);
            tupletLeft_ = token.value;
            tupletDefault_ = defaultTicks_;
            tupletWeight_ = 0;
            int seen = 0;
            for (CommandReader ahead = commands; seen < tupletLeft_ && !ahead.AtEnd();) {
                const Token& next = ahead.Next();
                if (next.op == Op::Note || next.op == Op::RawNote || next.op == Op::Rest || next.op == Op::Chord) {
                    tupletWeight_ += TicksOf(next, tupletDefault_);
                    ++seen;
                }
            }
            if (tupletTicks_ < tupletLeft_) {
                diagnostics_.Warning(Place(token.line, token.at),
                                     "連符の長さが音符の数より短いので、1 音 1 クロックにしました");
                tupletTicks_ = tupletLeft_;
            }
            break;
        }
        case Op::Bar:
            barStart_ = tick_ - token.value;
            bars_.push_back(
                BarLine{static_cast<std::uint32_t>(tick_ - token.value - shared_.start), Place(token.line, token.at)});
            break;
        case Op::Bend:
            SetValue(ramp::Bend, token.value);
            Emit(Swung(tick_), 0xE0 | channel_, (token.value + 8192) & 0x7F, (token.value + 8192) >> 7);
            break;
        case Op::GatePulses:
            gateCut_ = token.value;
            gateCutPlace_ = Place(token.line, token.at);
            break;
        case Op::Ramp:
            Ramp(token);
            break;
        case Op::Meta:
            // A lyric goes with its note, also the first one after the pause of #reset.
            if (token.value == meta::Lyric) {
                notesAtLyric_ = shared_.notes;
                lyricPlace_ = Place(token.line, token.at);
            }
            EmitMeta(Swung(token.value == meta::Lyric ? tick_ : MetaTick()), 0xFF, token.value, token.value2);
            break;
        case Op::SysEx:
            EmitMeta(Swung(tick_), 0xF0, 0, token.value2);
            break;
        case Op::Grace: {
            int key = token.value;
            if (token.value2 == 0)
                key += (octave_ + 1) * 12 + (drums_ ? 0 : transpose_ + options_.transpose);
            if (key < 0 || key > 127) {
                diagnostics_.Warning(Place(token.line, token.at),
                                     "音域 (ノート番号 0 から 127) の外の装飾音 %d を省きました", key);
                ++shared_.notesOutOfRange;
                break;
            }
            gracesPlace_ = graces_.empty() ? Place(token.line, token.at) : gracesPlace_;
            graces_.push_back(key);
            marks_ |= GracesWaiting;
            break;
        }
        case Op::PedalChange:
            // The press again is a change of the pedal's controller, which a value set before it takes back.
            SetValue(token.value, 0);
            Emit(Swung(tick_), 0xB0 | channel_, token.value, 0);
            changes_[token.value].first = out_.events.size();
            Emit(Swung(tick_) + PedalLift, 0xB0 | channel_, token.value, 127);
            changes_[token.value].end = out_.events.size();
            break;
        case Op::Humanize:
            humanize_ = token.value;
            lastStart_ = tick_ - 1;  // the note before may have started just now, unknown to humanize
            Seed(static_cast<std::uint32_t>(token.value2));
            break;
        case Op::Swing:
            swingPair_ = token.value;
            swingFirst_ = token.value2;
            break;
        case Op::Articulation:
            marksPlace_ = (marks_ & ~GracesWaiting) == 0 ? Place(token.line, token.at) : marksPlace_;
            marks_ |= token.value;
            break;
        case Op::KeySignature:
            if (Spend(tick_))
                shared_.keys.push_back(KeyChange{MetaTick(), token.value, token.value2 != 0});
            break;
        case Op::TimeSignature:
            if ((tick_ - barStart_) % barTicks_ != 0)
                diagnostics_.Warning(Place(token.line, token.at),
                                     "time\"%d/%d\" が小節の途中にあります (拍子は小節の始めで変えます)", token.value,
                                     token.value2);
            barStart_ = tick_;
            barTicks_ = BarTicks(token.value, token.value2);
            if (Spend(tick_))
                shared_.meters.push_back(MeterChange{MetaTick(), token.value, token.value2});
            break;
        case Op::Tie:
            if (!sounding_.keys.empty() && sounding_.fullEnd == Swung(tick_))
                sounding_.tied = true;
            else
                diagnostics_.Warning(Place(token.line, token.at), "& の前に音符がないので無視しました");
            break;
        case Op::Octave:
            octave_ = token.value;
            SetKeyBase();
            break;
        case Op::OctaveUp:
        case Op::OctaveDown: {
            int wanted = octave_ + (token.op == Op::OctaveUp ? 1 : -1);
            if (wanted < 0 || wanted > 9)
                diagnostics_.Warning(Place(token.line, token.at),
                                     "オクターブは 0 から 9 までなので %d のままにしました", octave_);
            else
                octave_ = wanted;
            SetKeyBase();
            break;
        }
        case Op::Length:
            defaultTicks_ = TicksOf(token);
            break;
        case Op::Tempo: {
            // t4.=60 counts dotted quarters: exact in microseconds, rounded in quarter notes for a change after it.
            const std::int64_t beat = token.value2 != 0 ? token.value2 : TicksPerQuarter;
            const int bpm = static_cast<int>((token.value * beat * 2 + TicksPerQuarter) / (2 * TicksPerQuarter));
            const auto micros = static_cast<std::uint32_t>(60000000LL * TicksPerQuarter / (token.value * beat));
            SetValue(ramp::Tempo, bpm);
            if (Spend(tick_))
                shared_.tempos.push_back(TempoChange{MetaTick(), bpm, micros, track_.name, token.line, token.at});
            break;
        }
        case Op::Velocity:
            velocity_ = token.value;
            velocityRamp_.end = 0;
            break;
        case Op::VelocityUp:
        case Op::VelocityDown: {
            int wanted = VelocityNow() + (token.op == Op::VelocityUp ? token.value : -token.value);
            velocityRamp_.end = 0;
            if (wanted < 1 || wanted > 127)
                diagnostics_.Warning(Place(token.line, token.at), "ベロシティを 1 から 127 の範囲に収めました");
            velocity_ = std::clamp(wanted, 1, 127);
            break;
        }
        case Op::Gate:
            gate_ = token.value;
            gateCut_ = 0;
            break;
        case Op::Program:
            Emit(Swung(tick_), 0xC0 | channel_, token.value, 0);
            break;
        case Op::Transpose:
            transpose_ = token.value;
            SetKeyBase();
            break;
        case Op::Control:
            SetValue(token.value, token.value2);
            Emit(Swung(tick_), 0xB0 | channel_, token.value, token.value2);
            break;
        case Op::LoopBegin: {
            CommandReader end = commands;
            end.Seek(token.value2);
            loops_.push_back(Loop{commands, end.Next().value});
            break;
        }
        case Op::LoopBreak:
            // The last time round, on past the loop's end.
            if (loops_.back().remaining == 1) {
                commands.Seek(token.value2);
                commands.Next();
                loops_.pop_back();
            }
            break;
        case Op::LoopEnd:
            if (--loops_.back().remaining > 0)
                commands = loops_.back().bodyStart;
            else
                loops_.pop_back();
            break;
    }
}

// A length written without a number takes the default length, and its dots only now: the same mistake as
// dots on a written number that cannot be halved.
std::int64_t TrackPlayer::DottedDefault(const Token& token, std::int64_t defaultTicks)
{
    std::int64_t base = 0;
    if (!AddDots(defaultTicks, token.length.Dots(), base)) {
        diagnostics_.Error(Place(token.line, token.at), "%s", UnevenLengthMessage);
        base = defaultTicks;
    }
    return base;
}

// Inside '{ }' the length of a note, rest or chord is its share of what the group has left, in proportion to
// its own length among those still to come, and at least a pulse for each. Equal lengths share alike, the
// pulses left over going one each to the last notes.
std::int64_t TrackPlayer::TupletShare(const Token& token)
{
    const std::int64_t weight = TicksOf(token, tupletDefault_);
    std::int64_t ticks = tupletTicks_;
    if (tupletLeft_ > 1) {
        ticks = tupletWeight_ > weight ? tupletTicks_ * weight / tupletWeight_ : tupletTicks_ / tupletLeft_;
        ticks = std::clamp<std::int64_t>(ticks, 1, tupletTicks_ - (tupletLeft_ - 1));
    }
    tupletTicks_ -= ticks;
    tupletWeight_ -= weight;
    --tupletLeft_;
    return ticks;
}

int TrackPlayer::RampedVelocity() const
{
    return Interpolate(velocityRamp_.from, velocity_, tick_ - velocityRamp_.start,
                       velocityRamp_.end - velocityRamp_.start);
}

// Strikes the keys gathered in keys_; a key tied over from the sounding note or chord goes on sounding.
void TrackPlayer::Sound(const Token& token)
{
    std::int64_t ticks = NoteTicks(token);
    if (keys_.empty()) {
        DropOrnaments("音符がすべて音域の外なので");
        Release();
        Advance(ticks);
        return;
    }
    Strike strike{tick_, tick_ + ticks, tick_ + GateTicks(ticks), 0};
    std::vector<int>& held = sounding_.keys;
    if (sounding_.tied && !held.empty()) {
        for (int key : held) {
            if (std::find(keys_.begin(), keys_.end(), key) == keys_.end())
                Emit(sounding_.fullEnd, 0x80 | channel_, key, 0);
        }
    } else {
        Release(swingPair_ != 0 ? SwungStart(strike.start, strike.end) : SwungNow);
    }
    strike.velocity = VelocityNow();
    if (Shaping())
        Shape(strike, sounding_.tied && !held.empty(), keys_);
    for (int key : keys_) {
        if (sounding_.tied && std::find(held.begin(), held.end(), key) != held.end())
            continue;
        Emit(strike.start, 0x90 | channel_, key, strike.velocity);
        ++shared_.notes;
    }
    held.swap(keys_);
    keys_.clear();
    sounding_.tied = false;
    sounding_.swung = swingPair_ != 0;
    sounding_.fullEnd = strike.end;
    sounding_.gateEnd = strike.gateEnd;
    Advance(ticks);
}

// One note, struck anew, with nothing tied to it and nothing to shape it: what most notes are.
inline void TrackPlayer::SoundOne(int key, std::int64_t ticks)
{
    // Mostly the note before sounds alone, unswung: it is released and this one struck with one count for both.
    if (sounding_.keys.size() == 1 && (swingPair_ | static_cast<int>(sounding_.swung)) == 0 &&
        SpendBoth(std::max(sounding_.gateEnd, tick_))) {
        const int before = sounding_.keys[0];
        Put(sounding_.gateEnd, 0x80 | channel_, before, 0);
        releasedAt_[static_cast<std::size_t>(before)] = sounding_.gateEnd;
        Put(tick_, 0x90 | channel_, key, VelocityNow());
        sounding_.keys[0] = key;
    } else {
        Release();
        Emit(tick_, 0x90 | channel_, key, VelocityNow());
        sounding_.keys.push_back(key);
    }
    ++shared_.notes;
    sounding_.fullEnd = tick_ + ticks;
    sounding_.gateEnd = tick_ + GateTicks(ticks);
    Advance(ticks);
}

// The plain notes in short form after one that PlainRunMayFollow(), and the octaves set between them: struck as
// SoundOne() strikes them, with what they change held in locals, which the events written cannot disturb. A note
// that would meet the limit of events or of ticks goes to SoundOne(); anything else, an octave out of its range,
// which is warned of, and the step past the limit, to Play().
void TrackPlayer::PlayPlainRun(CommandReader& commands, std::int64_t& steps, std::int64_t maxSteps)
{
    const std::int64_t maxTicks = options_.limits.maxTicks;
    const std::int64_t eventsLeft = options_.limits.maxEvents - 2;
    int octave = octave_;
    int keyBase = keyBase_;
    const std::int64_t defaultTicks = defaultTicks_;
    const std::uint8_t on = 0x90 | channel_, off = 0x80 | channel_;
    const int velocity = velocity_;
    std::int64_t tick = tick_;  // where the note before ends, sounding to its end
    std::int64_t spent = budget_.events;
    std::int64_t struck = 0;
    int before = sounding_.keys[0];
    int key = 0;
    std::uint32_t base = 0;
    auto handBack = [&] {
        octave_ = octave;
        keyBase_ = keyBase;
        tick_ = sounding_.fullEnd = sounding_.gateEnd = tick;
        sounding_.keys[0] = before;
        budget_.events = spent;
        shared_.notes += struck;
    };
    while (steps < maxSteps && !commands.AtEnd()) {
        if (!commands.NextShortNote(keyBase, key, base)) {
            const int wanted = commands.OctaveNext(octave);
            if (wanted < 0 || wanted > 9)
                break;
            commands.TakeOctave();
            ++steps;
            keyBase += 12 * (wanted - octave);
            octave = wanted;
            continue;
        }
        ++steps;
        const std::int64_t ticks = base != 0 ? base : defaultTicks;
        if (spent > eventsLeft || tick + ticks > maxTicks) {
            handBack();
            SoundOne(key, ticks);
            return;
        }
        spent += 2;
        Put(tick, off, before, 0);
        releasedAt_[static_cast<std::size_t>(before)] = tick;
        Put(tick, on, key, velocity);
        before = key;
        ++struck;
        tick += ticks;
    }
    handBack();
}

// What is written before a note or chord. Marks: staccato sounds half its length, marcato three quarters, tenuto
// all of it (the shortest of them counts); an accent adds 20 to the velocity, marcato 30. Then grace notes.
void TrackPlayer::Shape(Strike& strike, bool tied, const std::vector<int>& keys)
{
    if (swingPair_ != 0) {
        const std::int64_t start = SwungStart(strike.start, strike.end);
        strike.end = Swung(strike.end);
        strike.start = start;
        strike.gateEnd = strike.start + GateTicks(strike.end - strike.start);
    }
    const int velocity = strike.velocity;
    if ((marks_ & ~GracesWaiting) != 0) {
        const std::int64_t length = strike.end - strike.start;
        if (marks_ & mark::Staccato)
            strike.gateEnd = strike.start + std::max<std::int64_t>(1, length / 2);
        else if (marks_ & mark::Marcato)
            strike.gateEnd = strike.start + std::max<std::int64_t>(1, length * 3 / 4);
        else if (marks_ & mark::Tenuto)
            strike.gateEnd = strike.end;
        strike.velocity = std::min(127, strike.velocity + (marks_ & mark::Marcato  ? 30
                                                           : marks_ & mark::Accent ? 20
                                                                                   : 0));
    }
    const bool graces = !graces_.empty();
    if (graces)
        PlayGraces(strike, tied, velocity);
    marks_ = 0;
    if (humanize_ != 0)
        Humanize(strike, !tied && !graces, keys);
}

// A little early or late and a little louder or softer, at random within the bounds set. A note moves only
// within its own sounding length and, when it may come `early`, not before the music starts, before the note
// before it started, or over the release of a key it strikes again.
void TrackPlayer::Humanize(Strike& strike, bool early, const std::vector<int>& keys)
{
    const int late = Deviation(humanize_ & 0xFFFF), louder = Deviation(humanize_ >> 16);
    std::int64_t earliest = strike.start;
    if (early) {
        earliest = std::max<std::int64_t>(shared_.start, lastStart_ + 1);
        for (int key : keys)
            earliest = std::max(earliest, releasedAt_[static_cast<std::size_t>(key)]);
        earliest = std::min(earliest, strike.start);
    }
    strike.start = std::clamp(strike.start + late, earliest, std::max(strike.start, strike.gateEnd - 1));
    strike.velocity = std::clamp(strike.velocity + louder, 1, 127);
    lastStart_ = strike.start;
}

// Grace notes, each GraceTicks or less, taken from the start of the note that follows: together at most half of
// it. They sound one after the other, legato, at the velocity of the note without its marks.
void TrackPlayer::PlayGraces(Strike& strike, bool tied, int velocity)
{
    const std::int64_t count = static_cast<std::int64_t>(graces_.size());
    const std::int64_t each = std::min<std::int64_t>(GraceTicks, (strike.end - strike.start) / (2 * count));
    if (tied || each == 0) {
        diagnostics_.Warning(gracesPlace_, "装飾音の後の音符が%sので、装飾音を省きました",
                             tied ? "タイでつながっている" : "短すぎる");
    } else {
        for (int key : graces_) {
            Emit(strike.start, 0x90 | channel_, key, velocity);
            Emit(strike.start + each, 0x80 | channel_, key, 0);
            ++shared_.notes;
            strike.start += each;
        }
        strike.gateEnd = std::max(strike.gateEnd, strike.start + 1);
    }
    graces_.clear();
}

// Marks and grace notes that find no note to go with: told, and forgotten.
void TrackPlayer::DropOrnaments(const char* why)
{
    if ((marks_ & ~GracesWaiting) != 0)
        diagnostics_.Warning(marksPlace_, "印 (!. !- !> !^) の%s、印を無視しました", why);
    if (!graces_.empty())
        diagnostics_.Warning(gracesPlace_, "装飾音の%s、装飾音を省きました", why);
    marks_ = 0;
    graces_.clear();
}

inline void TrackPlayer::Release(std::int64_t next)
{
    if (sounding_.keys.empty())
        return;
    std::int64_t tick = sounding_.tied ? sounding_.fullEnd : sounding_.gateEnd;
    if (swingPair_ != 0 || sounding_.swung)
        tick = std::min(tick, next == SwungNow ? Swung(tick_) : next);
    for (int key : sounding_.keys) {
        Emit(tick, 0x80 | channel_, key, 0);
        releasedAt_[static_cast<std::size_t>(key)] = tick;
    }
    sounding_.keys.clear();
    sounding_.tied = false;
    sounding_.swung = false;
}

// The pulses a note of `ticks` sounds: q's eighths of it, or q%'s pulses less (1 at least, with a warning).
std::int64_t TrackPlayer::ShortenedGate(std::int64_t ticks)
{
    if (gateCut_ == 0)
        return std::max<std::int64_t>(1, ticks * gate_ / 8);
    if (gateCut_ >= ticks)
        diagnostics_.Warning(gateCutPlace_, "q%%%d: %lld クロックの音符より長いので、その音符は 1 クロックだけ鳴ります",
                             gateCut_, static_cast<long long>(ticks));
    return std::max<std::int64_t>(1, ticks - gateCut_);
}

// The value of a controller, the bend or the tempo that sounds now: the last its change has written by now.
int TrackPlayer::ValueNow(int thing) const
{
    int value = values_[thing];
    const Change& change = changes_[thing];
    for (std::size_t i = change.first; i < change.end; ++i) {
        if (thing == ramp::Tempo) {
            if (shared_.tempos[i].tick > tick_)
                break;
            value = shared_.tempos[i].bpm;
        } else {
            const Event& event = out_.events[i];
            if (event.tick > tick_)
                break;
            value = thing == ramp::Bend ? (event.data1 | event.data2 << 7) - 8192 : event.data2;
        }
    }
    return value;
}

// A new value of `thing` now ends its change: the change's events after now are taken back, and those at this
// very tick too unless `keepNow` (a new change starts from them).
void TrackPlayer::EndChange(int thing, bool keepNow)
{
    Change& change = changes_[thing];
    for (std::size_t i = change.first; i < change.end; ++i) {
        std::int64_t tick = thing == ramp::Tempo ? shared_.tempos[i].tick : out_.events[i].tick;
        if (tick < tick_ || (tick == tick_ && keepNow))
            continue;
        if (thing == ramp::Tempo)
            shared_.tempos[i].bpm = 0;
        else
            out_.events[i].status = 0;
        takenBack_ = true;
    }
    change = Change{};
}

// Velocity changes note by note; a controller, the bend and the tempo step every RampStep pulses from the value
// sounding now, each step written only when the value changes, the last at the end of the length.
void TrackPlayer::Ramp(const Token& token)
{
    std::int64_t length = TicksOf(token);
    int to = token.value;
    if (token.value2 == ramp::Velocity) {
        velocityRamp_.from = VelocityNow();
        velocityRamp_.start = tick_;
        velocityRamp_.end = tick_ + length;
        velocity_ = to;
        return;
    }
    const int thing = token.value2;
    const int from = ValueNow(thing);
    EndChange(thing, true);
    values_[thing] = from;
    changes_[thing].first = thing == ramp::Tempo ? shared_.tempos.size() : out_.events.size();
    int last = from;
    const std::int64_t span = std::abs(to - from);
    for (std::int64_t step = RampStep; span > 0;) {
        std::int64_t elapsed = std::min(step, length);
        int value = Interpolate(from, to, elapsed, length);
        if (value != last) {
            std::int64_t tick = tick_ + elapsed;
            if (thing == ramp::Bend)
                Emit(tick, 0xE0 | channel_, (value + 8192) & 0x7F, (value + 8192) >> 7);
            else if (thing == ramp::Tempo && Spend(tick))
                shared_.tempos.push_back(TempoChange{static_cast<std::uint32_t>(tick), value,
                                                     60000000u / static_cast<std::uint32_t>(value), track_.name,
                                                     token.line, token.at});
            else if (thing < 128)
                Emit(tick, 0xB0 | channel_, thing, value);
            last = value;
        }
        if (elapsed == length || budget_.exhausted)
            break;
        // Straight on to the step where the value moves next, |value - from| reaching one more less a half, so
        // that a long change of few values costs no time for the steps between.
        std::int64_t next = (length * (2 * std::abs(last - from) + 1) + 2 * span - 1) / (2 * span);
        step = std::max(step + RampStep, (next + RampStep - 1) / RampStep * RampStep);
    }
    changes_[thing].end = thing == ramp::Tempo ? shared_.tempos.size() : out_.events.size();
}

void TrackPlayer::EmitMeta(std::int64_t tick, std::uint8_t status, int type, int text)
{
    if (!Spend(tick))
        return;
    out_.events.push_back(Event{static_cast<std::uint32_t>(tick), status, static_cast<std::uint8_t>(type), 0,
                                static_cast<std::uint32_t>(text)});
}

void TrackPlayer::Stop(int line, const char* what)
{
    diagnostics_.Error(line, "トラック %c: %s (上限を超えたので変換をやめました)", track_.name, what);
    budget_.exhausted = true;
}

void AddMeta(Sequence& sequence, std::uint32_t tick, std::uint8_t type, std::string data)
{
    sequence.texts.push_back(std::move(data));
    auto index = static_cast<std::uint32_t>(sequence.texts.size() - 1);
    sequence.conductor.events.push_back(Event{tick, 0xFF, type, 0, index});
}

std::string TimeSignatureData(int beats, int beatNote)
{
    int power = 0;
    while ((1 << power) < beatNote)
        ++power;
    // A metronome click every quarter note's worth of MIDI clocks (24), scaled to the beat's note value.
    return std::string{static_cast<char>(beats), static_cast<char>(power), static_cast<char>(96 / beatNote), 8};
}

// The standard reset messages, without their F0.
std::string ResetMessage(Reset reset)
{
    switch (reset) {
        case Reset::Gm:
            return std::string("\x7E\x7F\x09\x01\xF7", 5);
        case Reset::Gs:
            return std::string("\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 10);
        case Reset::Xg:
            return std::string("\x43\x10\x4C\x00\x00\x7E\x00\xF7", 8);
        case Reset::None:
            break;
    }
    return {};
}

// The conductor track: a reset message, copyright first of the texts, as readers expect it, then title,
// time signature, key signature, the time signature changes and the tempo changes of every track, 120 when
// none is set at the start.
// Of two tempos of one tick the later one written wins; from two tracks that is the later track's, which a
// reader may not expect.
void BuildConductor(const Song& song, Shared& shared, Sequence& sequence, Diagnostics& diagnostics)
{
    std::vector<TempoChange>& tempos = shared.tempos;
    tempos.erase(std::remove_if(tempos.begin(), tempos.end(), [](const TempoChange& t) { return t.bpm == 0; }),
                 tempos.end());
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    for (std::size_t i = 1; i < tempos.size(); ++i) {
        const TempoChange& before = tempos[i - 1];
        const TempoChange& later = tempos[i];
        if (later.tick == before.tick && later.track != before.track && later.micros != before.micros)
            diagnostics.Warning(Place(later.line, later.at),
                                "トラック %c の t%d (行 %d) と同じ時刻のテンポです。後のトラック %c の t%d を使います",
                                before.track, before.bpm, before.line, later.track, later.bpm);
    }
    if (tempos.empty() || tempos.front().tick != 0)
        tempos.insert(tempos.begin(), TempoChange{0, DefaultTempo, 60000000u / DefaultTempo, 'A', 0, 0});
    if (song.reset != Reset::None) {
        sequence.texts.push_back(ResetMessage(song.reset));
        sequence.conductor.events.push_back(
            Event{0, 0xF0, 0, 0, static_cast<std::uint32_t>(sequence.texts.size() - 1)});
    }
    if (!song.copyright.empty())
        AddMeta(sequence, 0, meta::Copyright, song.copyright);
    if (!song.title.empty())
        AddMeta(sequence, 0, meta::TrackName, song.title);
    const std::vector<MeterChange>& meters = shared.meters;
    if (meters.empty() || meters.front().tick != 0)
        AddMeta(sequence, 0, meta::TimeSignature, TimeSignatureData(song.beats ? song.beats : 4, song.beatNote));
    std::vector<KeyChange>& keys = shared.keys;
    std::stable_sort(keys.begin(), keys.end(), [](const KeyChange& a, const KeyChange& b) { return a.tick < b.tick; });
    if (song.hasKey && (keys.empty() || keys.front().tick != 0))
        AddMeta(sequence, 0, meta::KeySignature, std::string{static_cast<char>(song.sharps), song.minor});
    for (const MeterChange& change : meters) {
        AddMeta(sequence, change.tick, meta::TimeSignature, TimeSignatureData(change.beats, change.beatNote));
        sequence.endTick = std::max(sequence.endTick, change.tick);
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // Of the keys of one tick the one written last counts.
        if (i + 1 < keys.size() && keys[i + 1].tick == keys[i].tick)
            continue;
        AddMeta(sequence, keys[i].tick, meta::KeySignature,
                std::string{static_cast<char>(keys[i].sharps), keys[i].minor});
        sequence.endTick = std::max(sequence.endTick, keys[i].tick);
    }
    std::int64_t scaled = 0;  // microseconds times TicksPerQuarter, summed exactly
    std::uint32_t last = 0;
    std::int64_t micros = 60000000 / DefaultTempo;
    for (const TempoChange& change : tempos) {
        sequence.conductor.events.push_back(Event{change.tick, 0xFF, meta::Tempo, 0, change.micros});
        sequence.endTick = std::max(sequence.endTick, change.tick);
        scaled += static_cast<std::int64_t>(change.tick - last) * micros;
        last = change.tick;
        micros = change.micros;
    }
    scaled += static_cast<std::int64_t>(sequence.endTick - last) * micros;
    sequence.microseconds = scaled / TicksPerQuarter;
    sequence.conductor.endTick = sequence.endTick;
    SortEvents(sequence.conductor.events);
}

// With a time signature set, each bar between two bar lines must be one bar of the time signature in force
// where it starts; the bar before the first bar line may be shorter (a pickup, numbered 0).
void CheckBars(char track,
               const std::vector<BarLine>& bars,
               std::vector<MeterChange> meters,
               const Song& song,
               std::uint32_t start,
               Diagnostics& diagnostics)
{
    for (MeterChange& meter : meters)
        meter.tick = meter.tick == 0 ? 0 : meter.tick - start;
    std::stable_sort(meters.begin(), meters.end(),
                     [](const MeterChange& a, const MeterChange& b) { return a.tick < b.tick; });
    if (meters.empty() || meters.front().tick != 0)
        meters.insert(meters.begin(), MeterChange{0, song.beats ? song.beats : 4, song.beatNote});
    std::size_t meter = 0;
    std::uint32_t from = 0;
    int number = 0;
    for (const BarLine& bar : bars) {
        if (bar.tick == from)
            continue;  // a bar line at the start, or two in a row
        while (meter + 1 < meters.size() && meters[meter + 1].tick <= from)
            ++meter;
        const MeterChange& m = meters[meter];
        std::int64_t wanted = BarTicks(m.beats, m.beatNote);
        std::int64_t found = bar.tick - from;
        if (from == 0 && found < wanted) {
            number = 0;  // a pickup
        } else {
            ++number;
            if (found != wanted) {
                // Said in the beat's note value, or the shortest one up to a 64th that counts it, else in pulses.
                int note = m.beatNote;
                while (note < 64 && found % (TicksPerWhole / note) != 0)
                    note *= 2;
                std::int64_t unit = TicksPerWhole / note;
                std::string held = found % unit == 0 ? Format("%lld/%d", static_cast<long long>(found / unit), note)
                                                     : Format("%lld クロック", static_cast<long long>(found));
                diagnostics.Warning(bar.place, "トラック %c の %d 小節目が %s 拍子なのに %s あります", track, number,
                                    Format("%d/%d", m.beats, m.beatNote).c_str(), held.c_str());
            }
        }
        from = bar.tick;
    }
}

}  // namespace

// The tracks are played one at a time from their packed commands, and in format 1 each is written as soon as it
// is played, so that only one track's events are held at once.
Sequence Perform(Song song, const CompileOptions& options, Diagnostics& diagnostics)
{
    Sequence sequence;
    Budget budget;
    Shared shared;
    // After a reset message a module needs time to get ready: the music waits one bar of the first time
    // signature (two seconds of 4/4 at 120).
    shared.barTicks = BarTicks(song.beats ? song.beats : 4, song.beatNote);
    shared.swingPair = song.swingPair;
    shared.swingFirst = song.swingFirst;
    shared.humanizeTiming = song.humanizeTiming;
    shared.humanizeVelocity = song.humanizeVelocity;
    shared.humanizeSeed = song.humanizeSeed;
    if (song.reset != Reset::None)
        shared.start = static_cast<std::uint32_t>(shared.barTicks);
    std::vector<std::pair<char, std::vector<BarLine>>> bars;
    EventTrack played;
    // Room that is reserved but not written costs no memory; growing would copy the chunks again and again.
    // A song of repeats makes up to about ten bytes of SMF a byte of source.
    if (!options.format0)
        sequence.written.reserve(std::min<std::size_t>(song.sourceBytes * 16 + 1024, 64 << 20));
    sequence.texts = std::move(song.texts);
    // Room for the events of the longest track at once: grown for a later, longer track, they would go to new pages.
    std::int64_t longest = 0;
    for (const Track& track : song.tracks)
        longest = std::max(longest, track.events);
    if (!options.format0)
        played.events.reserve(static_cast<std::size_t>(std::min(longest, options.limits.maxEvents)));
    for (Track& track : song.tracks) {
        EventTrack& part = options.format0 ? sequence.parts.emplace_back() : played;
        part.events.clear();
        bars.emplace_back(track.name, std::vector<BarLine>());
        TrackPlayer(track, part, bars.back().second, shared, options, diagnostics, budget).Play();
        track.code.Free();
        if (options.format0) {
            SortEvents(part.events);
            if (!part.events.empty())
                part.endTick = std::max(part.endTick, part.events.back().tick);
        } else {
            AppendTrack(sequence.written, part, sequence.texts);  // sorted there, if need be
            ++sequence.writtenParts;
        }
        sequence.endTick = std::max(sequence.endTick, part.endTick);
    }
    if (song.beats != 0 || !shared.meters.empty()) {
        for (const auto& [name, lines] : bars)
            CheckBars(name, lines, shared.meters, song, shared.start, diagnostics);
    }
    sequence.notes = shared.notes;
    sequence.notesOutOfRange = shared.notesOutOfRange;
    BuildConductor(song, shared, sequence, diagnostics);
    return sequence;
}

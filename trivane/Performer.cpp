#include "Performer.h"

#include <algorithm>

// Most tracks come out in order already (a note's release is made when the next note starts), so the
// check pays for itself.
void SortEvents(std::vector<Event>& events)
{
    auto before = [](const Event& a, const Event& b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        return a.IsNoteOff() && !b.IsNoteOff();
    };
    if (!std::is_sorted(events.begin(), events.end(), before))
        std::stable_sort(events.begin(), events.end(), before);
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
    int bpm;
    char track;
    std::int32_t line;  // of the command, for messages
    std::uint32_t at;
};

class TrackPlayer {
public:
    TrackPlayer(const Track& track,
                EventTrack& out,
                std::vector<TempoChange>& tempos,
                Sequence& sequence,
                const CompileOptions& options,
                Diagnostics& diagnostics,
                Budget& budget)
        : track_(track),
          out_(out),
          tempos_(tempos),
          sequence_(sequence),
          options_(options),
          diagnostics_(diagnostics),
          budget_(budget),
          channel_(static_cast<std::uint8_t>(track.channel - 1)),
          drums_(track.channel == DrumChannel)
    {
    }

    void Play();

private:
    // The note that sounds now; its note-off waits until we know whether '&' joins the next note to it.
    struct Sounding {
        bool active = false;
        bool tied = false;
        int key = 0;
        std::int64_t fullEnd = 0;
        std::int64_t gateEnd = 0;
    };
    struct Loop {
        std::size_t bodyStart;
        int remaining;
    };

    void Execute(const Token& token, std::size_t& pc);
    void Sound(int key, const Token& token);
    void Release();
    void Advance(std::int64_t ticks);
    std::int64_t TicksOf(const Token& token);
    bool Spend(std::int64_t tick);
    void Emit(std::int64_t tick, std::uint8_t status, int data1, int data2);
    void Stop(int line, const char* what);

    const Track& track_;
    EventTrack& out_;
    std::vector<TempoChange>& tempos_;
    Sequence& sequence_;
    const CompileOptions& options_;
    Diagnostics& diagnostics_;
    Budget& budget_;
    const std::uint8_t channel_;
    const bool drums_;

    std::int64_t tick_ = 0;
    int octave_ = 4;
    std::int64_t defaultTicks_ = TicksPerQuarter;
    int velocity_ = 100;
    int gate_ = 8;
    int transpose_ = 0;
    Sounding sounding_;
    std::vector<Loop> loops_;
};

void TrackPlayer::Play()
{
    const std::vector<Token>& tokens = track_.tokens;
    // Without loops every note makes two events; a track with loops may still grow.
    std::size_t expected = 0;
    for (const Token& token : tokens)
        expected +=
            token.op == Op::Note || token.op == Op::RawNote ? 2 : token.op == Op::Program || token.op == Op::Control;
    out_.events.reserve(std::min<std::size_t>(expected, options_.limits.maxEvents));
    std::size_t pc = 0;
    while (pc < tokens.size() && !budget_.exhausted) {
        if (++budget_.steps > options_.limits.maxSteps) {
            Stop(tokens[pc].line, "ループを展開したコマンドが多すぎます");
            break;
        }
        const Token& token = tokens[pc++];
        Execute(token, pc);
    }
    Release();
    out_.endTick = static_cast<std::uint32_t>(std::min(tick_, options_.limits.maxTicks));
    for (const Event& event : out_.events)
        out_.endTick = std::max(out_.endTick, event.tick);
}

void TrackPlayer::Execute(const Token& token, std::size_t& pc)
{
    switch (token.op) {
        case Op::Note: {
            int key = (octave_ + 1) * 12 + token.value;
            if (!drums_)
                key += transpose_ + options_.transpose;
            Sound(key, token);
            break;
        }
        case Op::RawNote:
            Sound(token.value, token);
            break;
        case Op::Rest: {
            std::int64_t ticks = TicksOf(token);
            Release();
            Advance(ticks);
            break;
        }
        case Op::Tie:
            if (sounding_.active && sounding_.fullEnd == tick_)
                sounding_.tied = true;
            else
                diagnostics_.Warning(Place(token.line, token.at), "& の前に音符がないので無視しました");
            break;
        case Op::Octave:
            octave_ = token.value;
            break;
        case Op::OctaveUp:
        case Op::OctaveDown: {
            int wanted = octave_ + (token.op == Op::OctaveUp ? 1 : -1);
            if (wanted < 0 || wanted > 9)
                diagnostics_.Warning(Place(token.line, token.at),
                                     "オクターブは 0 から 9 までなので %d のままにしました", octave_);
            else
                octave_ = wanted;
            break;
        }
        case Op::Length:
            defaultTicks_ = TicksOf(token);
            break;
        case Op::Tempo:
            if (Spend(tick_))
                tempos_.push_back(
                    TempoChange{static_cast<std::uint32_t>(tick_), token.value, track_.name, token.line, token.at});
            break;
        case Op::Velocity:
            velocity_ = token.value;
            break;
        case Op::VelocityUp:
        case Op::VelocityDown: {
            int wanted = velocity_ + (token.op == Op::VelocityUp ? token.value : -token.value);
            if (wanted < 1 || wanted > 127)
                diagnostics_.Warning(Place(token.line, token.at), "ベロシティを 1 から 127 の範囲に収めました");
            velocity_ = std::clamp(wanted, 1, 127);
            break;
        }
        case Op::Gate:
            gate_ = token.value;
            break;
        case Op::Program:
            Emit(tick_, 0xC0 | channel_, token.value, 0);
            break;
        case Op::Transpose:
            transpose_ = token.value;
            break;
        case Op::Control:
            Emit(tick_, 0xB0 | channel_, token.value, token.value2);
            break;
        case Op::LoopBegin:
            loops_.push_back(Loop{pc, track_.tokens[token.jump].value});
            break;
        case Op::LoopBreak:
            if (loops_.back().remaining == 1) {
                pc = token.jump + 1;
                loops_.pop_back();
            }
            break;
        case Op::LoopEnd:
            if (--loops_.back().remaining > 0)
                pc = loops_.back().bodyStart;
            else
                loops_.pop_back();
            break;
    }
}

// A length written without a number takes the default length, and its dots only now: the same mistake as
// dots on a written number that cannot be halved.
std::int64_t TrackPlayer::TicksOf(const Token& token)
{
    std::int64_t base = token.length.base;
    if (base == 0 && !AddDots(defaultTicks_, token.length.dots, base)) {
        diagnostics_.Error(Place(token.line, token.at), "%s", UnevenLengthMessage);
        base = defaultTicks_;
    }
    return base + token.length.extra;
}

void TrackPlayer::Sound(int key, const Token& token)
{
    std::int64_t ticks = TicksOf(token);
    if (key < 0 || key > 127) {
        diagnostics_.Warning(Place(token.line, token.at), "音域 (ノート番号 0 から 127) の外の音 %d を休符にしました",
                             key);
        ++sequence_.notesOutOfRange;
        Release();
        Advance(ticks);
        return;
    }
    std::int64_t gateTicks = gate_ == 8 ? ticks : std::max<std::int64_t>(1, ticks * gate_ / 8);
    if (sounding_.active && sounding_.tied && sounding_.key == key) {
        sounding_.tied = false;
    } else {
        Release();
        Emit(tick_, 0x90 | channel_, key, velocity_);
        ++sequence_.notes;
        sounding_.active = true;
        sounding_.tied = false;
        sounding_.key = key;
    }
    sounding_.fullEnd = tick_ + ticks;
    sounding_.gateEnd = tick_ + gateTicks;
    Advance(ticks);
}

void TrackPlayer::Release()
{
    if (!sounding_.active)
        return;
    sounding_.active = false;
    Emit(sounding_.tied ? sounding_.fullEnd : sounding_.gateEnd, 0x80 | channel_, sounding_.key, 0);
}

void TrackPlayer::Advance(std::int64_t ticks)
{
    tick_ += ticks;
    if (tick_ > options_.limits.maxTicks)
        Stop(0, "曲が長すぎます");
}

// Counts one more event of the song, tempo changes included; false when it may not be made.
bool TrackPlayer::Spend(std::int64_t tick)
{
    if (budget_.exhausted || tick > options_.limits.maxTicks)
        return false;
    if (++budget_.events > options_.limits.maxEvents) {
        Stop(0, "MIDI イベントが多すぎます");
        return false;
    }
    return true;
}

void TrackPlayer::Emit(std::int64_t tick, std::uint8_t status, int data1, int data2)
{
    if (!Spend(tick))
        return;
    out_.events.push_back(Event{static_cast<std::uint32_t>(tick), status, static_cast<std::uint8_t>(data1),
                                static_cast<std::uint8_t>(data2)});
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

// The conductor track: copyright first, as readers expect it, then title, a 4/4 time signature and the tempo
// changes of every track, 120 when none is set at the start.
// Of two tempos of one tick the later one written wins; from two tracks that is the later track's, which a
// reader may not expect.
void BuildConductor(const Song& song, std::vector<TempoChange> tempos, Sequence& sequence, Diagnostics& diagnostics)
{
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    for (std::size_t i = 1; i < tempos.size(); ++i) {
        const TempoChange& before = tempos[i - 1];
        const TempoChange& later = tempos[i];
        if (later.tick == before.tick && later.track != before.track && later.bpm != before.bpm)
            diagnostics.Warning(Place(later.line, later.at),
                                "トラック %c の t%d (行 %d) と同じ時刻のテンポです。後のトラック %c の t%d を使います",
                                before.track, before.bpm, before.line, later.track, later.bpm);
    }
    if (tempos.empty() || tempos.front().tick != 0)
        tempos.insert(tempos.begin(), TempoChange{0, DefaultTempo, 'A', 0, 0});
    if (!song.copyright.empty())
        AddMeta(sequence, 0, meta::Copyright, song.copyright);
    if (!song.title.empty())
        AddMeta(sequence, 0, meta::TrackName, song.title);
    AddMeta(sequence, 0, meta::TimeSignature, std::string{4, 2, 24, 8});
    std::int64_t scaled = 0;  // microseconds times TicksPerQuarter, summed exactly
    std::uint32_t last = 0;
    int bpm = DefaultTempo;
    for (const TempoChange& change : tempos) {
        std::uint32_t micros = 60000000u / static_cast<std::uint32_t>(change.bpm);
        sequence.conductor.events.push_back(Event{change.tick, 0xFF, meta::Tempo, 0, micros});
        sequence.endTick = std::max(sequence.endTick, change.tick);
        scaled += static_cast<std::int64_t>(change.tick - last) * (60000000 / bpm);
        last = change.tick;
        bpm = change.bpm;
    }
    scaled += static_cast<std::int64_t>(sequence.endTick - last) * (60000000 / bpm);
    sequence.microseconds = scaled / TicksPerQuarter;
    sequence.conductor.endTick = sequence.endTick;
}

}  // namespace

// Each track's commands are let go once it is played, so that commands and events of a large song are
// not all held at once.
Sequence Perform(Song song, const CompileOptions& options, Diagnostics& diagnostics)
{
    Sequence sequence;
    Budget budget;
    std::vector<TempoChange> tempos;
    for (Track& track : song.tracks) {
        sequence.parts.emplace_back();
        EventTrack& part = sequence.parts.back();
        TrackPlayer(track, part, tempos, sequence, options, diagnostics, budget).Play();
        std::vector<Token>().swap(track.tokens);
        SortEvents(part.events);
        sequence.endTick = std::max(sequence.endTick, part.endTick);
    }
    BuildConductor(song, std::move(tempos), sequence, diagnostics);
    return sequence;
}

#include "Compiler.h"

#include "Diagnostics.h"
#include "Parser.h"
#include "Performer.h"
#include "SmfWriter.h"
#include "SourceText.h"

namespace {

std::string Summary(std::size_t tracks, const Sequence& sequence, const Diagnostics& diagnostics)
{
    // A song with errors is not played, so it has no notes or length to tell; what the user needs to know
    // is that no file was written.
    if (diagnostics.HasErrors())
        return Format("トラック %d, エラー %d, 警告 %d: エラーがあるので SMF ファイルは書き出していません",
                      static_cast<int>(tracks), diagnostics.ErrorCount(), diagnostics.WarningCount());
    std::int64_t tenths = (sequence.microseconds + 50000) / 100000;
    return Format("トラック %d, 音符 %lld, 演奏時間 %lld:%02lld.%lld, エラー %d, 警告 %d", static_cast<int>(tracks),
                  static_cast<long long>(sequence.notes), static_cast<long long>(tenths / 600),
                  static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10),
                  diagnostics.ErrorCount(), diagnostics.WarningCount());
}

}  // namespace

CompileResult Compile(std::string source, const CompileOptions& options)
{
    Diagnostics diagnostics(options.limits);
    std::size_t tracks = 0;
    Sequence sequence;
    if (PrepareSource(source, diagnostics)) {
        Song song = ParseSong(std::move(source), options, diagnostics);
        tracks = song.tracks.size();
        // Loops are matched only when every bracket is; playing a song with errors would only add noise.
        if (!diagnostics.HasErrors())
            sequence = Perform(std::move(song), options, diagnostics);
        // A song without a note is never what was meant, and a silent file would only be played to find that
        // out. A line of capitals alone, "CDEFG", names five empty tracks: mostly notes in the wrong case.
        if (!diagnostics.HasErrors() && sequence.notes == 0 && sequence.notesOutOfRange > 0)
            diagnostics.Error(0, "音符がすべて音域 (ノート番号 0 から 127) の外にあります");
        else if (!diagnostics.HasErrors() && sequence.notes == 0)
            diagnostics.Error(0, "音符が 1 つもありません (音符は小文字の c d e f g a b で書きます)");
    }
    CompileResult result;
    result.ok = !diagnostics.HasErrors();
    result.messages = diagnostics.Lines();
    result.summary = Summary(tracks, sequence, diagnostics);
    if (result.ok)
        result.smf = WriteSmf(std::move(sequence), options.format0);
    result.errors = diagnostics.ErrorCount();
    result.warnings = diagnostics.WarningCount();
    return result;
}

// The Compile command: the window's options and fields become the converter's command line, and the
// converter's output becomes the message list.
#include "MainDialog.h"
#include "ProgramFiles.h"
#include "resource.h"

CompileOptions MainDialog::ReadCompileOptions() const
{
    CompileOptions options;
    options.ConverterPath = ConverterPath();
    options.InvertAngleBrackets = IsDlgButtonChecked(window_, IDC_INVERT_ANGLE) != 0;
    options.InvertParentheses = IsDlgButtonChecked(window_, IDC_INVERT_PAREN) != 0;
    options.SmfFormat0 = IsDlgButtonChecked(window_, IDC_FORMAT0) != 0;
    options.TransposeText = WindowText(transposeField_);
    options.MmlPath = WindowText(mmlField_);
    options.SmfPath = WindowText(smfField_);
    return options;
}

INT_PTR MainDialog::OnCompile()
{
    const CompileOptions options = ReadCompileOptions();
    ByteString commandLine = BuildCommandLine(options);
    messages_.Clear();
    messages_.AddOutput(commandLine);
    ByteString output;
    RunOutcome outcome;
    if (NamesThisProgram(options.ConverterPath) || !RunConverter(commandLine, output, compileTimeLimit_, &outcome)) {
        // A converter that cannot be started is said so, as at start-up; the compile failed, so Play stays
        // as it was.
        messages_.AddOutput(ConverterNotFoundMessage);
    } else {
        // What it wrote so far stands above the error row of a converter that was stopped or crashed: the
        // SMF file, if any, is unfinished, so such a compile fails as one with errors does.
        bool clean = messages_.AddOutput(output);
        bool ended = messages_.AddOutput(ConverterFailureMessage(outcome, compileTimeLimit_));
        if (clean && ended) {
            controlStates_.SetControlEnabled(IDC_PLAY, true);
            EnableCommand(ID_FILE_PLAY, true);
        }
    }
    // Edit is useful after any compile, failed ones most of all: the MML file needs fixing.
    EnableCommand(ID_FILE_EDIT, true);
    controlStates_.SetControlEnabled(IDC_EDIT, true);
    return 0;
}

// The Compile command: the window's options and fields become the converter's command line, and the
// converter's output becomes the message list.
#include "ChildProcess.h"
#include "MainDialog.h"
#include "resource.h"

CompileOptions MainDialog::ReadCompileOptions() const
{
    CompileOptions options;
    options.ConverterPath = preferences_.ConverterPath;
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
    ByteString commandLine = BuildCommandLine(ReadCompileOptions());
    messages_.Clear();
    messages_.AddOutput(commandLine);
    ByteString output;
    bool stopped = false;
    if (NamesThisProgram(preferences_.ConverterPath) ||
        !RunConverter(commandLine, output, compileTimeLimit_, &stopped)) {
        // A converter that cannot be started is said so, as at start-up; the compile failed, so Play stays
        // as it was.
        messages_.AddOutput(ConverterNotFoundMessage);
    } else {
        bool clean = messages_.AddOutput(output);
        if (stopped) {
            // What it wrote so far stands above; the SMF file, if any, is unfinished, so Play stays as it was.
            messages_.AddOutput(ConverterStoppedMessage(compileTimeLimit_));
        } else if (clean) {
            controlStates_.SetControlEnabled(IDC_PLAY, true);
            EnableCommand(ID_FILE_PLAY, true);
        }
    }
    // Edit is useful after any compile, failed ones most of all: the MML file needs fixing.
    EnableCommand(ID_FILE_EDIT, true);
    controlStates_.SetControlEnabled(IDC_EDIT, true);
    return 0;
}

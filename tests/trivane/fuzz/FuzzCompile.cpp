// libFuzzer target: any bytes as an MML source, under any options. The compiler must return, every file it
// produces must pass the strict check, and a compile that fails must say so and produce nothing.
#include "Compiler.h"
#include "SmfCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the options; the rest is the source. Smaller bounds than the program's keep each
    // run short; they are reached by the same code.
    CompileOptions options;
    options.swapAngleBrackets = data[0] & 1;
    options.swapParentheses = data[0] & 2;
    options.format0 = data[0] & 4;
    options.transpose = static_cast<int>(data[0] >> 3) % 25 - 12;
    options.limits.maxEvents = 200000;
    options.limits.maxSteps = 2000000;
    options.limits.maxTokens = 200000;
    CompileResult result = Compile(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), options);
    SmfListing listing;
    std::string problem = result.ok ? CheckSmf(result.smf, listing) : "";
    if (!problem.empty() || result.ok != (result.errors == 0) || result.ok == result.smf.empty())
        std::fprintf(stderr, "invalid file or result: %s\n", problem.c_str()), std::abort();
    return 0;
}

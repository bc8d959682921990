// libFuzzer target: any bytes as an MML source, under any options. The compiler must return, every file it
// produces must pass the strict check, and a compile that fails must say so and produce nothing.
#include "Compiler.h"
#include "SmfCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte picks the options; the rest is the source. Smaller bounds than the program's keep each
    // run short; they are reached by the same code.
    const unsigned flags = size > 0 ? data[0] : 0, skip = size > 0;
    CompileOptions options;
    options.swapAngleBrackets = flags & 1;
    options.swapParentheses = flags & 2;
    options.format0 = flags & 4;
    options.transpose = static_cast<int>(flags >> 3) % 25 - 12;
    options.limits.maxEvents = 200000;
    options.limits.maxSteps = 2000000;
    options.limits.maxTokens = 200000;
    CompileResult result = Compile(std::string(reinterpret_cast<const char*>(data) + skip, size - skip), options);
    SmfListing listing;
    std::string problem = result.ok ? CheckSmf(result.smf, listing) : "";
    if (!problem.empty() || result.ok != (result.errors == 0) || result.ok == result.smf.empty())
        std::fprintf(stderr, "invalid file or result: %s\n", problem.c_str()), std::abort();
    return 0;
}

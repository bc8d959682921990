// smfcheck FILE...: the strict structural check of our reader over files on disk; prints one line a file
// and exits non-zero when any fails.
#include "SmfCheck.h"

#include <cstdio>
#include <fstream>
#include <iterator>

int main(int argc, char** argv)
{
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SmfListing listing;
        std::string problem = in ? CheckSmf(bytes, listing) : "cannot read";
        if (!problem.empty())
            ++failed;
        std::printf("%s: %s\n", argv[i], problem.empty() ? "ok" : problem.c_str());
    }
    return failed == 0 ? 0 : 1;
}

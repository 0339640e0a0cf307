// libFuzzer target: the .lnz parser.  Every file it accepts must format
// back to text that parses to the same text again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lnz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ka::Flare flare;
    std::string why;
    if (ka::ParseLnz(reinterpret_cast<const char *>(data), size, &flare, &why) != ka::LNZ_OK)
        return 0;
    std::string text = ka::FormatLnz(flare);
    ka::Flare again;
    if (ka::ParseLnz(text.data(), text.size(), &again, &why) != ka::LNZ_OK ||
        ka::FormatLnz(again) != text)
        std::abort();
    return 0;
}

// libFuzzer target: the .grd and .cmp parsers.  Whatever either accepts
// must be a valid gradient, and must format to text that parses back to
// the same text again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gradient_files.h"

namespace {

void Check(bool parsed, const ka::GradientRecord &g,
           bool (*parse)(const char *, size_t, ka::GradientRecord *, std::string *),
           std::string (*format)(const ka::GradientRecord &))
{
    if (!parsed)
        return;
    std::string why;
    if (g.colors.size() != 3 * g.offsets.size() ||
        !ka::ValidGradientRecord(g.offsets.data(), g.colors.data(), (long long)g.offsets.size(), &why))
        std::abort();
    std::string text = format(g);
    ka::GradientRecord again;
    if (!parse(text.data(), text.size(), &again, &why) || format(again) != text)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    std::string why;
    ka::GradientRecord grd, cmp;
    Check(ka::ParseGrd(text, size, &grd, &why), grd, ka::ParseGrd, ka::FormatGrd);
    bool map = ka::ParseCmp(text, size, &cmp, &why);
    if (map && cmp.table.size() != cmp.colors.size())
        std::abort();
    Check(map, cmp, ka::ParseCmp, ka::FormatCmp);
    return 0;
}

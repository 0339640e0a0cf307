// libFuzzer target: element type definitions as tests and hosts give them.
// Each input starts with an empty error record, so that no input sees the
// reports of the ones before it.
#include <cstdint>
#include <string>

#include "refhost_api.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Kh_Set_Error_Echo(0);
    Kh_Clear_Errors();
    std::string text(reinterpret_cast<const char *>(data), size);
    Kh_Define_Element_Type(text.c_str());
    return 0;
}

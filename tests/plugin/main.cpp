// Test program of the plug-in: its code is linked in with its resources,
// so the module handle the plug-in loads templates from is the program's.
#include <gtest/gtest.h>

#include "entry/plugin.h"
#include "refhost_api.h"

int main(int argc, char **argv)
{
    moduleHandle = GetModuleHandleA(nullptr);
    Kh_Set_Error_Echo(0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

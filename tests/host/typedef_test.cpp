// Element type definitions: faults are refused at their line, the same
// definition may be given twice, another definition under a taken name
// may not.
#include "catalogue.h"
#include "host_fixture.h"

TEST(TypeDefinitions, FaultsAreRefusedAtTheirLineAndOnlyTheSameDefinitionMayComeTwice)
{
    Kh_Set_Error_Echo(0);
    struct Case {
        const char *what, *text;
        int line;
    } cases[] = {
        {"no type line", "param floatslider a\nend\n", 1},
        {"a name with a space", "type two words\nend\n", 1},
        {"a type keyword of nothing", "type t1\nparam slider a\nend\n", 2},
        {"a line before any param", "type t2\nabsmin 0\nend\n", 2},
        {"a number of nothing", "type t3\nparam floatslider a\nabsmin zero\nend\n", 3},
        {"four components", "type t4\nparam color a\ndefault 1 2 3 4\nend\n", 3},
        {"a default outside the range", "type t5\nparam floatslider a\nabsmax 1\ndefault 2\nend\n", 2},
        {"stops for a slider", "type t6\nparam floatslider a\nstop 0 1 1 1\nend\n", 3},
        {"stops out of order", "type t7\nparam gradient g\nstop 0.5 1 1 1\nstop 0.2 0 0 0\nend\n", 2},
        {"a parameter twice", "type t8\nparam checkbox a\nparam checkbox a\nend\n", 3},
        {"a bad escape", "type t9\nparam arbitrarydata d\ndata \"\\q\"\nend\n", 3},
        {"a switch of nothing", "type t10\nparam floatslider a\nfloatarg yes\nend\n", 3},
        {"no end", "type t11\nparam floatslider a\n", 3},
        {"text after the end", "type t12\nend\nparam checkbox b\n", 3},
        {"a taken name", "type glow\nend\n", 1},
    };
    for (const Case &c : cases) {
        Kh_Clear_Errors();
        EXPECT_EQ(Kh_Define_Element_Type(c.text), c.line) << c.what;
        EXPECT_EQ(ErrorNames(), std::vector<std::string>{"ERR_BAD_ELEMENT_TYPE"}) << c.what;
    }
    EXPECT_EQ(ka::FindElementType("t5"), nullptr);
    EXPECT_EQ(ka::FindElementType("t12"), nullptr);

    const char *text = "type twice\n# a comment\n\nparam list l\n  list A:0,B:1\nend\n";
    ASSERT_EQ(Kh_Define_Element_Type(text), 0);
    EXPECT_EQ(Kh_Define_Element_Type(text), 0);
    EXPECT_EQ(Kh_Define_Element_Type("type twice\nend\n"), 1);
    const ka::ElementType *type = ka::FindElementType("twice");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(ka::ElementTypes().back(), type) << "a new type comes last";
    ASSERT_EQ(type->params.size(), 1u);
    EXPECT_EQ(type->params[0].defaultData, "A:0,B:1");
}

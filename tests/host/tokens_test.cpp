// Tokens and the host allocator's accounting.
#include <gtest/gtest.h>

#include "host/kalvos_core.h"
#include "host_errors.h"
#include "refhost_api.h"
#include "tokens.h"

TEST(Tokens, EqualTextsGiveEqualTokensAndNoTokenLooksLikeATerminator)
{
    KaToken on = Ki_Inquire_Token("on");
    EXPECT_EQ(on, Ki_Inquire_Token("on"));
    EXPECT_NE(on, Ki_Inquire_Token("off"));
    EXPECT_NE(on, Ki_Inquire_Token("On"));
    for (int i = 0; i < 70000; i++) {
        KaToken t = Ki_Inquire_Token(("kw" + std::to_string(i)).c_str());
        uint32_t low = (uint32_t)t;
        ASSERT_NE(low, 0u);
        ASSERT_NE(low, 1u);
    }
}

/* The keyword calls keep a word's text while they read on, and reading on
 * may make new tokens. */
TEST(Tokens, AKeywordsTextStaysWhereItIsWhileTokensAreAdded)
{
    KaToken token = Ki_Inquire_Token("stays");
    const char *text = ka::TokenText(token);
    /* At least as many again as there are: a table that grows by moving
     * its texts would have moved them. */
    uint64_t made = token >> 32;
    for (uint64_t i = 0; i <= made; i++)
        Ki_Inquire_Token(("added" + std::to_string(i)).c_str());
    EXPECT_EQ(ka::TokenText(token), text);
    EXPECT_STREQ(text, "stays");
}

TEST(Memory, BlocksAreZeroFilledCountedAndFreedOnlyOnce)
{
    int64_t blocks0, bytes0, blocks, bytes;
    Kh_Memory_Stats(&blocks0, &bytes0);
    unsigned char *a = static_cast<unsigned char *>(Ki_Alloc_Memory(0, 1, 100));
    void *b = Ki_Alloc_Memory(1, 0, 28);
    ASSERT_TRUE(a && b);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(a[i], 0);
    Kh_Memory_Stats(&blocks, &bytes);
    EXPECT_EQ(blocks - blocks0, 2);
    EXPECT_EQ(bytes - bytes0, 128);
    Ki_Free_Memory(a);
    Ki_Free_Memory(b);
    Ki_Free_Memory(nullptr);
    Kh_Memory_Stats(&blocks, &bytes);
    EXPECT_EQ(blocks, blocks0);
    EXPECT_EQ(bytes, bytes0);

    // a second free and a pointer the host never gave are refused and change no count
    char own[64] = {};
    Kh_Set_Error_Echo(0);
    Kh_Clear_Errors();
    Ki_Free_Memory(b);
    Ki_Free_Memory(own + 32);
    EXPECT_EQ(ErrorReports(), (std::vector<std::string>{
                                  "ERR_BAD_MEMORY_BLOCK|Ki_Free_Memory()|block freed twice",
                                  "ERR_BAD_MEMORY_BLOCK|Ki_Free_Memory()|not a host block"}));
    Kh_Memory_Stats(&blocks, &bytes);
    EXPECT_EQ(blocks, blocks0);
    EXPECT_EQ(bytes, bytes0);
    Kh_Clear_Errors();
}

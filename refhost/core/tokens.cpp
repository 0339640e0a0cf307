/*
 * tokens.cpp - keyword tokens and the host allocator's accounting.
 *
 * A token is (index + 1) << 32 | (0x4B410000 + (index & 0xFFFF)): its low
 * 32 bits are never 0 or 1, so list terminators passed as 32-bit ints are
 * recognised by their low half, and a stray value is caught because both
 * halves must agree with the table.
 */
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "calllog.h"
#include "errors.h"
#include "host/kalvos_core.h"
#include "refhost_api.h"
#include "tokens.h"

namespace ka {

namespace {

const uint32_t kTokenTag = 0x4B410000u;

/* A keyword's text stays where it is for the life of the process (a
 * deque does not move what it holds), so callers may keep TokenText's
 * pointer and the look-up can key on views of the texts: a look-up then
 * neither allocates nor copies. */
struct TokenTable {
    std::mutex lock;
    std::unordered_map<std::string_view, KaToken> byText;
    std::deque<std::string> texts;   /* index -> keyword */
};

TokenTable &Tokens()
{
    static TokenTable table;
    return table;
}

/* Every block carries a small header so Ki_Free_Memory knows its size. */
struct BlockHeader {
    size_t bytes;
    int16_t flag1, flag2;
};

/* A free is checked against the live blocks before it reads a header:
 * a header read after its block went back to the C heap, or before a
 * pointer the host never handed out, would read memory nobody owns.
 * Freed addresses are kept to tell a second free from a stranger until
 * the heap hands the address out again; the set is bounded, and a
 * second free past the bound reads as a stranger, still refused. */
const size_t kFreedKept = 1u << 16;

std::mutex g_memoryLock;
MemoryStats g_memory;   /* live bytes and allocations; the blocks are counted in g_liveBlocks */
std::unordered_set<const void *> g_liveBlocks, g_freedBlocks;

} // namespace

KaToken TokenFor(const char *text)
{
    TokenTable &table = Tokens();
    std::lock_guard<std::mutex> hold(table.lock);
    auto found = table.byText.find(text);
    if (found != table.byText.end())
        return found->second;
    uint64_t index = table.texts.size();
    KaToken token = ((index + 1) << 32) | (kTokenTag + (uint32_t)(index & 0xFFFF));
    table.texts.emplace_back(text);
    table.byText.emplace(table.texts.back(), token);
    return token;
}

const char *TokenText(KaToken token)
{
    uint64_t index = (token >> 32) - 1;
    if ((token >> 32) == 0 || (uint32_t)token != kTokenTag + (uint32_t)(index & 0xFFFF))
        return nullptr;
    TokenTable &table = Tokens();
    std::lock_guard<std::mutex> hold(table.lock);
    if (index >= table.texts.size())
        return nullptr;
    return table.texts[index].c_str();
}

bool IsToken(KaToken token, const char *text)
{
    const char *known = TokenText(token);
    return known && std::strcmp(known, text) == 0;
}

MemoryStats Memory()
{
    std::lock_guard<std::mutex> hold(g_memoryLock);
    MemoryStats stats = g_memory;
    stats.liveBlocks = (int64_t)g_liveBlocks.size();
    return stats;
}

} // namespace ka

using namespace ka;

extern "C" KaToken Ki_Inquire_Token(const char *keyword)
{
    LogBookkeepingCall("Ki_Inquire_Token", keyword);
    return TokenFor(keyword ? keyword : "");
}

extern "C" void *Ki_Alloc_Memory(int16_t flag1, int16_t flag2, size_t bytes)
{
    LogBookkeepingCall("Ki_Alloc_Memory", flag1, flag2, bytes);
    void *raw = std::calloc(1, sizeof(BlockHeader) + bytes);
    if (!raw)
        return nullptr;
    BlockHeader *header = static_cast<BlockHeader *>(raw);
    header->bytes = bytes;
    header->flag1 = flag1;
    header->flag2 = flag2;
    try {
        std::lock_guard<std::mutex> hold(g_memoryLock);
        g_liveBlocks.insert(header + 1);
        g_freedBlocks.erase(header + 1);
        g_memory.liveBytes += bytes;
        g_memory.totalAllocations++;
    } catch (const std::bad_alloc &) {
        std::free(raw);
        return nullptr;
    }
    return header + 1;
}

extern "C" void Ki_Free_Memory(void *block)
{
    LogBookkeepingCall("Ki_Free_Memory", OutArg{block});
    if (!block)
        return;
    BlockHeader *header = static_cast<BlockHeader *>(block) - 1;
    const char *refusal = nullptr;
    {
        std::lock_guard<std::mutex> hold(g_memoryLock);
        if (g_liveBlocks.erase(block) == 0) {
            refusal = g_freedBlocks.count(block) ? "block freed twice" : "not a host block";
        } else {
            g_memory.liveBytes -= header->bytes;
            if (g_freedBlocks.size() >= kFreedKept)
                g_freedBlocks.clear();
            try {
                g_freedBlocks.insert(block);
            } catch (const std::bad_alloc &) {
                /* Only the wording of a later second free is lost. */
            }
        }
    }
    if (refusal) {
        ReportError(4, "ERR_BAD_MEMORY_BLOCK", "Ki_Free_Memory()", refusal);
        return;
    }
    std::free(header);
}

extern "C" void Kh_Memory_Stats(int64_t *liveBlocks, int64_t *liveBytes)
{
    MemoryStats stats = Memory();
    if (liveBlocks)
        *liveBlocks = stats.liveBlocks;
    if (liveBytes)
        *liveBytes = stats.liveBytes;
}

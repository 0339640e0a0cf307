// libFuzzer target: the keyword calls Ki_Inquire_LensFlare, Ki_LensFlare and
// Ki_LensFlare_Enumerate_ElementInfo on the demo light's default flare.
//
// The input chooses keyword lists that follow the calls' grammar (groups,
// "element" and "parameter" selections, structural commands) with faults
// mixed in: keywords out of place, stray values, null addresses, indices
// and guids that do not exist, numbers that are not finite.  Every address
// argument gets a heap block of exactly the size the keyword takes, so
// AddressSanitizer catches any read or write past it.  After each call:
// - a call with a fault in it is refused;
// - a refused call leaves the flare and every answer block as they were,
//   and so does an inquiry;
// - the host never writes into a block it only reads;
// - texts, gradients and data an inquiry hands out can be read whole.
// After the calls, the flare they built is saved, loaded into another
// light and saved again: the two files are the same text and every value
// came back to the same bits.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "catalogue.h"
#include "flare.h"
#include "refhost_api.h"
#include "store.h"

namespace {

const char *const kLight = "Light01";
const char *const kReloaded = "Light02";   /* where the round trip loads the file */
const unsigned char kCanary = 0xA5;
const size_t kMaxWords = 128;   /* words a call passes; the lists built here stay under 60 */

KaToken T(const char *keyword)
{
    return Ki_Inquire_Token(keyword);
}

struct Block {
    unsigned char *bytes;
    size_t size;
    bool answer;                /* the host stores into it */
    std::vector<unsigned char> given;   /* what an input block held */
};

/* Kinds of answer the harness reads back after a successful inquiry. */
enum class Check { None, Text, Colors, Offsets, Data };

struct Pending {
    size_t block;
    Check check;
    size_t countBlock;          /* the count or size answered beside it */
};

struct List {
    std::vector<uint64_t> words;
    std::vector<Block> blocks;
    std::vector<Pending> reads;
    bool fault = false;         /* a fault is in the list: the call must be refused */
    bool done = false;          /* the list ends here: the host reads no further */
    long statusBlock = -1;      /* a file command's status: written even when refused */
};

void Free(List *l)
{
    for (Block &b : l->blocks)
        std::free(b.bytes);
    l->blocks.clear();
}

void Word(List *l, uint64_t w)
{
    if (l->words.size() >= kMaxWords - 1) {
        std::fputs("keyword_fuzz: a list longer than the call passes\n", stderr);
        std::abort();
    }
    l->words.push_back(w);
}

void Fault(List *l, uint64_t w)
{
    Word(l, w);
    l->fault = true;
    l->done = true;
}

size_t NewBlock(List *l, const void *content, size_t size, bool answer)
{
    Block b;
    b.bytes = static_cast<unsigned char *>(std::malloc(size ? size : 1));
    b.size = size;
    b.answer = answer;
    if (answer)
        std::memset(b.bytes, kCanary, size);
    else if (size) {
        std::memcpy(b.bytes, content, size);
        b.given.assign(b.bytes, b.bytes + size);
    }
    l->blocks.push_back(std::move(b));
    Word(l, reinterpret_cast<uint64_t>(l->blocks.back().bytes));
    return l->blocks.size() - 1;
}

/* An address the host stores size bytes into, or now and then a null. */
size_t Out(List *l, FuzzedDataProvider *in, size_t size, Check check = Check::None,
           size_t countBlock = 0)
{
    if (in->ConsumeIntegralInRange<int>(0, 80) == 0) {
        Fault(l, 0);
        return SIZE_MAX;
    }
    size_t at = NewBlock(l, nullptr, size, true);
    if (check != Check::None)
        l->reads.push_back({at, check, countBlock});
    return at;
}

/* "numelements" is an answer of the flare alone: written, or asked inside
 * an element, it is a fault. */
void NumElements(List *l, FuzzedDataProvider *in, bool refused)
{
    if (refused) {
        Fault(l, T("numelements"));
        return;
    }
    Word(l, T("numelements"));
    Out(l, in, sizeof(int32_t));
}

/* An address the host reads size bytes from, or now and then a null. */
void In(List *l, FuzzedDataProvider *in, const void *content, size_t size)
{
    if (in->ConsumeIntegralInRange<int>(0, 80) == 0)
        Fault(l, 0);
    else
        NewBlock(l, content, size, false);
}

void Text(List *l, const std::string &text)
{
    NewBlock(l, text.c_str(), text.size() + 1, false);
}

float Number(FuzzedDataProvider *in, List *l)
{
    switch (in->ConsumeIntegralInRange<int>(0, 12)) {
    case 0: return 0.0f;
    case 1: return 1.0f;
    case 2: return 0.5f;
    case 3: return -1.0f;
    case 4: return 1e30f;
    case 5: l->fault = true; return __builtin_nanf("");
    case 6: l->fault = true; return __builtin_inff();
    case 7: return in->ConsumeBool() ? -0.0f : 1e-40f;
    case 8: return in->ConsumeBool() ? FLT_MAX : -FLT_MAX;
    case 9: {
        /* any finite float, by its bits */
        uint32_t bits = in->ConsumeIntegral<uint32_t>();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return std::isfinite(v) ? v : FLT_TRUE_MIN;
    }
    default: return in->ConsumeFloatingPointInRange(-1000.0f, 1000.0f);
    }
}

void Floats(List *l, FuzzedDataProvider *in, int count)
{
    float v[4] = {0, 0, 0, 0};
    for (int i = 0; i < count; i++)
        v[i] = Number(in, l);
    In(l, in, v, sizeof(float) * (size_t)count);
}

void Int(List *l, FuzzedDataProvider *in, int32_t value)
{
    In(l, in, &value, sizeof value);
}

/* A value that is neither a terminator nor any token. */
uint64_t Stray(FuzzedDataProvider *in)
{
    return (uint64_t)in->ConsumeIntegral<uint32_t>() << 32 | (0x12340000u + in->ConsumeIntegralInRange<int>(2, 0xFFFF));
}

void Switch(List *l, FuzzedDataProvider *in)
{
    switch (in->ConsumeIntegralInRange<int>(0, 12)) {
    case 0: Fault(l, T("sparkle")); break;
    case 1: Fault(l, Stray(in)); break;
    default: Word(l, T(in->ConsumeBool() ? "on" : "off"));
    }
}

const ka::Flare &Current()
{
    return ka::FindLight(kLight)->flare;
}

/* An index into count things; now and then one outside them. */
int32_t Index(List *l, FuzzedDataProvider *in, int count)
{
    if (count == 0 || in->ConsumeIntegralInRange<int>(0, 15) == 0) {
        l->fault = true;
        return in->ConsumeBool() ? -1 : count + in->ConsumeIntegralInRange<int>(0, 3);
    }
    return in->ConsumeIntegralInRange<int>(0, count - 1);
}

std::string Guid(List *l, FuzzedDataProvider *in)
{
    const ka::Flare &f = Current();
    int32_t i = Index(l, in, (int)f.elements.size());
    if (i < 0 || i >= (int)f.elements.size())
        return "{00000000-0000-0000-0000-000000000000}";
    return f.elements[(size_t)i]->guid;
}

const char *const kFlareSwitches[] = {
    "enabled", "fastdrag", "uselightparams", "glowbehindobjects", "fadeifnearborder",
    "fadeifbehindobjects", "fadeifapproachingobjects", "fadewithdistance",
    "scaleglowwithdistance", "scalereflexeswithdistance",
};
const char *const kFlareFloats[] = {
    "intensity", "scale", "occlusionradius", "anamorphicstretch", "angle", "refdistance",
};
const char *const kRanges[] = {
    "absminrange", "absmaxrange", "uiminrange", "uimaxrange", "defaultvalue", "delta",
};
/* Keywords of one context that are none of another's, to put out of place. */
const char *const kOutOfPlace[] = {
    "numparameterdefinitions", "parameterid", "gradientdata", "insert", "sparkle", "value",
};

template <size_t N> const char *Pick(FuzzedDataProvider *in, const char *const (&list)[N])
{
    return list[in->ConsumeIntegralInRange<size_t>(0, N - 1)];
}

struct Selection {
    const ka::Element *element = nullptr;
    int param = -1;
};

void FlareGroupWord(List *l, FuzzedDataProvider *in, bool write, Selection *s, int *context)
{
    switch (in->ConsumeIntegralInRange<int>(0, 9)) {
    case 0:
    case 1: {
        const char *kw = Pick(in, kFlareSwitches);
        Word(l, T(kw));
        if (std::strcmp(kw, "enabled") != 0)
            Word(l, T("enabled"));
        if (write)
            Switch(l, in);
        else
            Out(l, in, sizeof(KaToken));
        break;
    }
    case 2:
        Word(l, T(Pick(in, kFlareFloats)));
        write ? Floats(l, in, 1) : (void)Out(l, in, sizeof(float));
        break;
    case 3:
        Word(l, T("randomseed"));
        write ? Int(l, in, in->ConsumeIntegral<int32_t>()) : (void)Out(l, in, sizeof(int32_t));
        break;
    case 4:
        Word(l, T("color"));
        if (in->ConsumeBool())
            Word(l, T("rgb"));
        write ? Floats(l, in, 3) : (void)Out(l, in, 3 * sizeof(float));
        break;
    case 5:
        NumElements(l, in, write);
        break;
    case 6:
        if (s->element) {
            Word(l, T("parameter"));
            s->param = Index(l, in, (int)s->element->values.size());
            Int(l, in, s->param);
            if (s->param < 0 || s->param >= (int)s->element->values.size())
                l->done = true;
            *context = 2;
            break;
        }
        [[fallthrough]];
    default: {
        Word(l, T("element"));
        const ka::Flare &f = Current();
        if (write) {
            std::string guid = Guid(l, in);
            Text(l, guid);
            s->element = nullptr;
            for (const std::unique_ptr<ka::Element> &e : f.elements)
                if (e->guid == guid)
                    s->element = e.get();
        } else {
            int32_t i = Index(l, in, (int)f.elements.size());
            Int(l, in, i);
            s->element = i >= 0 && i < (int)f.elements.size() ? f.elements[(size_t)i].get() : nullptr;
        }
        if (!s->element)
            l->done = true;
        *context = 1;
    }
    }
}

void ElementWord(List *l, FuzzedDataProvider *in, bool write, Selection *s, int *context)
{
    static const char *const kTexts[] = {"description", "name", "guid"};
    switch (in->ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        Word(l, T("enabled"));
        write ? Switch(l, in) : (void)Out(l, in, sizeof(KaToken));
        break;
    case 1:
    case 2:
        if (write) {
            Fault(l, T(in->ConsumeBool() ? "numparameterdefinitions" : Pick(in, kTexts)));
            break;
        }
        if (in->ConsumeBool()) {
            Word(l, T("numparameterdefinitions"));
            Out(l, in, sizeof(int32_t));
        } else {
            Word(l, T(Pick(in, kTexts)));
            Out(l, in, sizeof(const char *), Check::Text);
        }
        break;
    default:
        Word(l, T("parameter"));
        s->param = Index(l, in, (int)s->element->values.size());
        Int(l, in, s->param);
        if (s->param < 0 || s->param >= (int)s->element->values.size())
            l->done = true;
        *context = 2;
    }
}

void DefinitionWords(List *l, FuzzedDataProvider *in)
{
    static const char *const kTexts[] = {"guid", "description", "name"};
    Word(l, T("definition"));
    switch (in->ConsumeIntegralInRange<int>(0, 6)) {
    case 0: Word(l, T(Pick(in, kRanges))); Out(l, in, 3 * sizeof(float)); break;
    case 1: Word(l, T("type")); Out(l, in, sizeof(KaToken)); break;
    case 2: Word(l, T(Pick(in, kTexts))); Out(l, in, sizeof(const char *), Check::Text); break;
    case 3: Word(l, T("precision")); Out(l, in, sizeof(int64_t)); break;
    case 4:
        Word(l, T(in->ConsumeBool() ? "floatarg" : "displayaspercentage"));
        Word(l, T("enabled"));
        Out(l, in, sizeof(KaToken));
        break;
    case 5: Fault(l, T("value")); break;
    default: Fault(l, 1);
    }
}

void WriteGradient(List *l, FuzzedDataProvider *in, bool gradient)
{
    Word(l, T("gradientdata"));
    int32_t count = in->ConsumeIntegralInRange<int>(0, 12) == 0 ? in->ConsumeIntegralInRange<int>(-3, 3000)
                                                       : in->ConsumeIntegralInRange<int>(0, 6);
    Int(l, in, count);
    if (count == 0) {
        Word(l, 0);
        Word(l, 0);
        return;
    }
    if (count < 0 || count > ka::kMaxGradientStops) {
        /* arrays far too small for such a count: the count alone must refuse it */
        l->fault = true;
        const float one = 0.5f;
        In(l, in, &one, sizeof one);
        In(l, in, &one, sizeof one);
        return;
    }
    if (!gradient)
        l->fault = true;
    std::vector<float> colors((size_t)count * 3), offsets((size_t)count);
    float at = 0.0f;
    for (int32_t i = 0; i < count; i++) {
        for (int k = 0; k < 3; k++)
            colors[(size_t)i * 3 + (size_t)k] = in->ConsumeProbability<float>();
        at += in->ConsumeIntegralInRange<int>(0, 6) == 0 ? -0.25f : in->ConsumeProbability<float>() / (float)count;
        offsets[(size_t)i] = at;
    }
    In(l, in, colors.data(), colors.size() * sizeof(float));
    In(l, in, offsets.data(), offsets.size() * sizeof(float));
}

void WriteData(List *l, FuzzedDataProvider *in, ka::ParamType type)
{
    Word(l, T("arbitrarydata"));
    bool takesData = type == ka::ParamType::List || type == ka::ParamType::ArbitraryData;
    if (in->ConsumeIntegralInRange<int>(0, 12) == 0) {
        /* a size no data may have, beside a block far too small for it */
        int32_t size = in->ConsumeBool() ? -1 : (int32_t)ka::kMaxDataBytes + 1;
        Int(l, in, size);
        l->fault = true;
        unsigned char byte = 0;
        In(l, in, &byte, 1);
        return;
    }
    std::string data = in->ConsumeRandomLengthString(40);
    if (type == ka::ParamType::List && in->ConsumeBool())
        data.push_back('\0');
    Int(l, in, (int32_t)data.size());
    if (data.empty()) {
        Word(l, 0);
        return;
    }
    if (!takesData)
        l->fault = true;
    In(l, in, data.data(), data.size());
}

void ParameterWord(List *l, FuzzedDataProvider *in, bool write, Selection *s)
{
    const ka::ParamDef &d = s->element->type->params[(size_t)s->param];
    int n = ka::ComponentCount(d.type);
    switch (in->ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
    case 1:
        Word(l, T("value"));
        write ? Floats(l, in, n) : (void)Out(l, in, sizeof(float) * (size_t)n);
        break;
    case 2:
        if (write) {
            WriteGradient(l, in, d.type == ka::ParamType::Gradient);
            break;
        }
        {
            Word(l, T("gradientdata"));
            size_t count = Out(l, in, sizeof(int32_t));
            if (!l->done)
                Out(l, in, sizeof(float *), Check::Colors, count);
            if (!l->done)
                Out(l, in, sizeof(float *), Check::Offsets, count);
        }
        break;
    case 3:
        if (write) {
            WriteData(l, in, d.type);
            break;
        }
        {
            Word(l, T("arbitrarydata"));
            size_t size = Out(l, in, sizeof(int32_t));
            if (!l->done)
                Out(l, in, sizeof(unsigned char *), Check::Data, size);
        }
        break;
    case 4:
        if (write) {
            Fault(l, T(in->ConsumeBool() ? "parameterid" : "definition"));
            break;
        }
        Word(l, T("parameterid"));
        Out(l, in, sizeof(int64_t));
        break;
    default:
        if (write)
            Fault(l, T("definition"));
        else
            DefinitionWords(l, in);
    }
}

void Groups(List *l, FuzzedDataProvider *in, bool write)
{
    Selection s;
    int context = 0;   /* 0 the flare, 1 the selected element, 2 its parameter */
    int words = in->ConsumeIntegralInRange<int>(1, 12);
    for (int i = 0; i < words && !l->done; i++) {
        int choice = in->ConsumeIntegralInRange<int>(0, 39);
        if (choice == 0) {
            Fault(l, T(Pick(in, kOutOfPlace)));
            break;
        }
        if (choice == 1) {
            Fault(l, Stray(in));
            break;
        }
        if (choice < 5 && context != 0) {
            Word(l, 1);
            context = 0;
            continue;
        }
        if (context == 0)
            FlareGroupWord(l, in, write, &s, &context);
        else if (context == 1)
            ElementWord(l, in, write, &s, &context);
        else
            ParameterWord(l, in, write, &s);
    }
    if (!l->done && in->ConsumeBool())
        Word(l, 1);
}

std::string g_file;   /* this process's .lnz for savetofile and loadfromfile */

void Command(List *l, FuzzedDataProvider *in)
{
    switch (in->ConsumeIntegralInRange<int>(0, 4)) {
    case 0: {
        Word(l, T("insert"));
        static const char *const kWhere[] = {"start", "end", "before", "after", "middle"};
        const char *where = Pick(in, kWhere);
        if (std::strcmp(where, "middle") == 0) {
            Fault(l, T(where));
            return;
        }
        Word(l, T(where));
        const std::vector<const ka::ElementType *> &types = ka::ElementTypes();
        int32_t t = Index(l, in, (int)types.size());
        Text(l, t >= 0 && t < (int)types.size() ? types[(size_t)t]->name : "sparkle");
        if (where[0] == 'b' || where[0] == 'a')
            Text(l, Guid(l, in));
        Out(l, in, sizeof(const char *), Check::Text);
        break;
    }
    case 1:
        Word(l, T("delete"));
        Text(l, Guid(l, in));
        break;
    case 2:
        Word(l, T("move"));
        Word(l, T(in->ConsumeBool() ? "up" : "down"));
        Text(l, Guid(l, in));
        break;
    default:
        Word(l, T(in->ConsumeBool() ? "savetofile" : "loadfromfile"));
        if (in->ConsumeIntegralInRange<int>(0, 8) == 0) {
            Text(l, "/nonexistent/folder/x.lnz");
            l->fault = true;
        } else
            Text(l, g_file);
        l->statusBlock = (long)Out(l, in, sizeof(int32_t));
    }
    if (!l->done && in->ConsumeIntegralInRange<int>(0, 10) == 0)
        Fault(l, in->ConsumeBool() ? 1 : T("enabled"));
}

void EnumerationWords(List *l, FuzzedDataProvider *in)
{
    static const char *const kTexts[] = {"description", "name"};
    int count = (int)ka::ElementTypes().size();
    bool element = false;
    int words = in->ConsumeIntegralInRange<int>(1, 8);
    for (int i = 0; i < words && !l->done; i++) {
        switch (in->ConsumeIntegralInRange<int>(0, 9)) {
        case 0: Fault(l, in->ConsumeBool() ? Stray(in) : T("guid")); break;
        case 1: Word(l, 1); element = false; break;
        case 2: NumElements(l, in, element); break;
        default:
            if (!element) {
                Word(l, T("element"));
                int32_t index = Index(l, in, count);
                Int(l, in, index);
                if (index < 0 || index >= count)
                    l->done = true;
                element = true;
            } else if (in->ConsumeBool()) {
                Word(l, T("numparameterdefinitions"));
                Out(l, in, sizeof(int32_t));
            } else {
                Word(l, T(Pick(in, kTexts)));
                Out(l, in, sizeof(const char *), Check::Text);
            }
        }
    }
}

/* The flare exactly: every switch, number, element, value, gradient and
 * data; with identities, also each element's address and guid and the
 * components its type does not use, none of which a file keeps. */
std::string Snapshot(const ka::Flare &f, bool identities = true)
{
    std::string s;
    auto put = [&s](const void *p, size_t n) { s.append(static_cast<const char *>(p), n); };
    for (const ka::FlareSwitchField &w : ka::FlareSwitches())
        s += f.*w.field ? '1' : '0';
    for (const ka::FlareFloatField &x : ka::FlareFloats())
        put(&(f.*x.field), sizeof(float));
    put(&f.randomSeed, sizeof f.randomSeed);
    put(f.color, sizeof f.color);
    for (const std::unique_ptr<ka::Element> &e : f.elements) {
        const ka::Element *at = e.get();
        if (identities)
            put(&at, sizeof at);
        s += (identities ? e->guid : e->type->name) + (e->enabled ? "+" : "-");
        for (size_t p = 0; p < e->values.size(); p++) {
            const ka::ParamValue &v = e->values[p];
            int used = ka::ComponentCount(e->type->params[p].type);
            put(v.v, identities ? sizeof v.v : sizeof(float) * (size_t)used);
            size_t n = v.gradient.offsets.size();
            put(&n, sizeof n);
            put(v.gradient.offsets.data(), n * sizeof(float));
            put(v.gradient.colors.data(), v.gradient.colors.size() * sizeof(float));
            n = v.data.size();
            put(&n, sizeof n);
            put(v.data.data(), n);
        }
    }
    return s;
}

std::string FileText(const std::string &path)
{
    std::string text;
    if (std::FILE *file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

/* Saved, loaded into a light of no elements and saved again. */
void RoundTrip()
{
    int32_t status = -1;
    if (Ki_LensFlare(T("light"), kLight, T("savetofile"), g_file.c_str(), &status, 0) != 0) {
        std::fprintf(stderr, "keyword_fuzz: the flare the calls built was not saved\n");
        std::abort();
    }
    Ki_Remove(T("light"), kReloaded, 0);
    Ki_Light(kReloaded, 0);
    ka::FindLight(kReloaded)->flare.elements.clear();
    const std::string second = g_file + ".again.lnz";
    if (Ki_LensFlare(T("light"), kReloaded, T("loadfromfile"), g_file.c_str(), &status, 0) != 0 ||
        Ki_LensFlare(T("light"), kReloaded, T("savetofile"), second.c_str(), &status, 0) != 0) {
        std::fprintf(stderr, "keyword_fuzz: a file the host wrote did not load back\n");
        std::abort();
    }
    if (FileText(second) != FileText(g_file) ||
        Snapshot(Current(), false) != Snapshot(ka::FindLight(kReloaded)->flare, false)) {
        std::fprintf(stderr, "keyword_fuzz: the flare changed on its way through a file\n");
        std::abort();
    }
    std::remove(second.c_str());
}

void Broken(const char *what, const List &l)
{
    std::fprintf(stderr, "keyword_fuzz: %s (%zu words)\n", what, l.words.size());
    std::abort();
}

bool Untouched(const Block &b)
{
    for (size_t i = 0; i < b.size; i++)
        if (b.bytes[i] != kCanary)
            return false;
    return true;
}

int32_t IntIn(const Block &b)
{
    int32_t v = 0;
    std::memcpy(&v, b.bytes, sizeof v);
    return v;
}

/* Where answered memory is read to, so that the reads are not optimised away. */
volatile size_t g_read;

/* Reads every text, gradient and data block an inquiry answered. */
void ReadAnswers(const List &l)
{
    for (const Pending &p : l.reads) {
        const unsigned char *at = nullptr;
        std::memcpy(&at, l.blocks[p.block].bytes, sizeof at);
        if (!at)
            continue;
        if (p.check == Check::Text) {
            g_read = std::strlen(reinterpret_cast<const char *>(at));
            continue;
        }
        int32_t n = IntIn(l.blocks[p.countBlock]);
        if (n < 0)
            Broken("a negative count answered", l);
        size_t bytes = p.check == Check::Data     ? (size_t)n
                       : p.check == Check::Offsets ? (size_t)n * sizeof(float)
                                                   : (size_t)n * 3 * sizeof(float);
        for (size_t i = 0; i < bytes; i++)
            g_read = at[i];
    }
}

int Call(int kind, KaToken owner, const char *name, const uint64_t *w)
{
#define W8(i) w[i], w[i + 1], w[i + 2], w[i + 3], w[i + 4], w[i + 5], w[i + 6], w[i + 7]
#define W64(i) W8(i), W8(i + 8), W8(i + 16), W8(i + 24), W8(i + 32), W8(i + 40), W8(i + 48), W8(i + 56)
    switch (kind) {
    case 0: return Ki_Inquire_LensFlare(owner, name, W64(0), W64(64));
    case 1: return Ki_LensFlare(owner, name, W64(0), W64(64));
    default: return Ki_LensFlare_Enumerate_ElementInfo(w[0], W64(1), W8(65), W8(73), W8(81), W8(89),
                                                       W8(97), W8(105), W8(113), w[121], w[122],
                                                       w[123], w[124], w[125], w[126], w[127]);
    }
#undef W64
#undef W8
}

void OneCall(FuzzedDataProvider *in)
{
    List l;
    int kind = in->ConsumeIntegralInRange<int>(0, 2);
    KaToken owner = T("light");
    const char *name = kLight;
    switch (in->ConsumeIntegralInRange<int>(0, 30)) {
    case 0: owner = T("sphere"); l.fault = true; break;
    case 1: owner = Stray(in); l.fault = true; break;
    case 2: name = "NoSuchLight"; l.fault = true; break;
    case 3: name = nullptr; l.fault = true; break;
    default: break;
    }
    if (kind == 2) {
        l.fault = false;   /* the enumeration has no owner */
        EnumerationWords(&l, in);
    } else if (kind == 1 && in->ConsumeIntegralInRange<int>(0, 5) == 0)
        Command(&l, in);
    else
        Groups(&l, in, kind == 1);
    l.words.push_back(0);
    l.words.resize(kMaxWords, 0);

    /* the owner's name, too, in a block of its own size */
    std::unique_ptr<char, void (*)(void *)> ownName(name ? strdup(name) : nullptr, std::free);
    const std::string before = Snapshot(Current());
    int errors = Kh_Error_Count();
    int result = Call(kind, owner, ownName.get(), l.words.data());
    bool reported = Kh_Error_Count() > errors;

    if (result != 0 && result != -1)
        Broken("a result other than 0 and -1", l);
    if ((result == -1) != reported)
        Broken("a refusal without a report, or a report without a refusal", l);
    if (l.fault && result == 0)
        Broken("a faulty call was accepted", l);
    for (const Block &b : l.blocks)
        if (!b.answer && b.size && std::memcmp(b.bytes, b.given.data(), b.size) != 0)
            Broken("the host wrote into a block it only reads", l);
    if (result == -1 || kind != 1) {
        if (Snapshot(Current()) != before)
            Broken(result == -1 ? "a refused call changed the flare" : "an inquiry changed the flare", l);
    }
    if (result == -1) {
        for (size_t i = 0; i < l.blocks.size(); i++) {
            const Block &b = l.blocks[i];
            if (!b.answer || Untouched(b))
                continue;
            if ((long)i == l.statusBlock && IntIn(b) >= 1 && IntIn(b) <= 5)
                continue;
            Broken("a refused call stored an answer", l);
        }
    } else
        ReadAnswers(l);
    Free(&l);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_file = "/tmp/keyword_fuzz_" + std::to_string((long)getpid()) + ".lnz";
    std::atexit([] { std::remove(g_file.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Kh_Set_Error_Echo(0);
    Kh_Clear_Errors();
    Ki_Remove(T("light"), kLight, 0);
    Ki_Light(kLight, 0);
    FuzzedDataProvider in(data, size);
    int calls = in.ConsumeIntegralInRange<int>(1, 6);
    for (int i = 0; i < calls && in.remaining_bytes() > 0; i++)
        OneCall(&in);
    RoundTrip();
    return 0;
}

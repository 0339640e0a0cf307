/*
 * protocol.cpp - the lens flare keyword calls: Ki_Inquire_LensFlare,
 * Ki_LensFlare and Ki_LensFlare_Enumerate_ElementInfo.
 *
 * A call is read in one pass into a staging record: inquiries collect the
 * answers they will store, writes collect the changes they will make.
 * Only when the whole list has been read without a fault are the answers
 * stored or the changes applied, so a faulty call leaves both the flare
 * and the caller's memory as they were.
 *
 * The grammar: a keyword group starts at the flare ("enabled", "scale",
 * "element" ...); "element" selects an element (by index when inquiring,
 * by guid when writing) and the group goes on with element keywords;
 * "parameter" selects one of the selected element's parameters and the
 * group goes on with parameter keywords.  1 ends a group (the selected
 * element stays selected for a later "parameter"), 0 ends the list.
 * Structural commands ("insert", "delete", "move", "savetofile",
 * "loadfromfile") stand alone in their call.
 */
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "args.h"
#include "catalogue.h"
#include "errors.h"
#include "lnz.h"
#include "refhost_api.h"
#include "store.h"
#include "tokens.h"

namespace ka {

namespace {

enum class Direction { Inquire, Write };
enum class Context { Flare, Element, Parameter };

/* One answer of an inquiry, stored when the call has been read whole. */
struct Answer {
    void *address;
    unsigned char bytes[16];
    size_t size;
};

/* Staged changes of one parameter of a write. */
struct ParamChange {
    Element *element;
    int index;
    bool setValue = false;
    float v[4] = {0, 0, 0, 0};
    bool setGradient = false;
    GradientValue gradient;
    bool setData = false;
    std::vector<unsigned char> data;
};

struct Call {
    Args a;
    Direction dir;
    Flare *flare = nullptr;
    Context context = Context::Flare;
    Element *element = nullptr;   /* selected by "element"; survives 1 */
    int param = -1;               /* selected by "parameter" */
    std::vector<Answer> answers;
    Flare globals;                /* staged globals of a write (no elements) */
    std::vector<std::pair<Element *, bool>> enabled;   /* staged element switches */
    std::vector<ParamChange> params;
};

void AddAnswer(Call *c, void *address, const void *value, size_t size)
{
    Answer answer;
    answer.address = address;
    std::memcpy(answer.bytes, value, size);
    answer.size = size;
    c->answers.push_back(answer);
}

/* Reads the caller's address for the answer and stages size bytes for it. */
bool AnswerBytes(Call *c, const void *value, size_t size, const char *what)
{
    void *out = nullptr;
    if (!ReadOut(&c->a, &out, what))
        return false;
    AddAnswer(c, out, value, size);
    return true;
}

bool AnswerToken(Call *c, KaToken token, const char *what)
{
    return AnswerBytes(c, &token, sizeof token, what);
}

bool AnswerInt(Call *c, int32_t value, const char *what)
{
    return AnswerBytes(c, &value, sizeof value, what);
}

bool AnswerInt64(Call *c, int64_t value, const char *what)
{
    return AnswerBytes(c, &value, sizeof value, what);
}

bool AnswerFloats(Call *c, const float *values, int count, const char *what)
{
    return AnswerBytes(c, values, sizeof(float) * (size_t)count, what);
}

bool AnswerPointer(Call *c, const void *pointer, const char *what)
{
    return AnswerBytes(c, &pointer, sizeof pointer, what);
}

/* ---- the flare's own keywords ---- */

bool ReadOnly(Call *c, std::string_view keyword)
{
    return Fail(&c->a, "ERR_READ_ONLY", "\"" + std::string(keyword) + "\" can be inquired but not written");
}

bool SelectElement(Call *c)
{
    if (c->dir == Direction::Inquire) {
        int32_t index = 0;
        if (!ReadIntAt(&c->a, &index, "the element index"))
            return false;
        if (index < 0 || index >= (int32_t)c->flare->elements.size())
            return Fail(&c->a, "ERR_INDEX_RANGE",
                        "element " + std::to_string(index) + " of a flare with " +
                            std::to_string(c->flare->elements.size()) + " elements");
        c->element = c->flare->elements[(size_t)index].get();
    } else {
        const char *guid = nullptr;
        if (!ReadText(&c->a, &guid, "the element guid"))
            return false;
        int index = FindElement(c->flare, guid);
        if (index < 0)
            return Fail(&c->a, "ERR_BAD_GUID", std::string("no element has the guid ") + guid);
        c->element = c->flare->elements[(size_t)index].get();
    }
    c->context = Context::Element;
    return true;
}

bool SelectParameter(Call *c)
{
    if (!c->element)
        return Fail(&c->a, "ERR_NO_ELEMENT", "\"parameter\" before any \"element\"");
    int32_t index = 0;
    if (!ReadIntAt(&c->a, &index, "the parameter index"))
        return false;
    int count = (int)c->element->values.size();
    if (index < 0 || index >= count)
        return Fail(&c->a, "ERR_INDEX_RANGE",
                    "parameter " + std::to_string(index) + " of an element with " +
                        std::to_string(count) + " parameters");
    c->param = index;
    c->context = Context::Parameter;
    return true;
}

bool FlareKeyword(Call *c, std::string_view kw)
{
    Flare *source = c->dir == Direction::Write ? &c->globals : c->flare;
    /* Nearly every call names an element or a parameter: those before the
     * tables, whose keywords are measured at every comparison. */
    if (kw == "element")
        return SelectElement(c);
    if (kw == "parameter")
        return SelectParameter(c);
    for (const FlareSwitchField &s : FlareSwitches())
        if (kw == s.keyword) {
            if (s.takesEnabled && !ExpectKeyword(&c->a, "enabled"))
                return false;
            if (c->dir == Direction::Write)
                return ReadSwitch(&c->a, &(c->globals.*s.field));
            return AnswerToken(c, OnOff(source->*s.field), s.keyword);
        }
    for (const FlareFloatField &f : FlareFloats())
        if (kw == f.keyword) {
            if (c->dir == Direction::Write)
                return ReadFloatsAt(&c->a, &(c->globals.*f.field), 1, f.keyword);
            return AnswerFloats(c, &(source->*f.field), 1, f.keyword);
        }
    if (kw == "randomseed") {
        if (c->dir == Direction::Write)
            return ReadIntAt(&c->a, &c->globals.randomSeed, "randomseed");
        return AnswerInt(c, source->randomSeed, "randomseed");
    }
    if (kw == "color") {
        if (c->dir == Direction::Write)
            return ReadColorAt(&c->a, c->globals.color);
        uint64_t raw = 0;
        if (!NextRaw(&c->a, &raw))
            return false;
        void *out = reinterpret_cast<void *>(raw);
        if (IsToken(raw, "rgb")) {
            LogToken(&c->a.log, raw);
            return AnswerFloats(c, source->color, 3, "color");
        }
        LogOut(&c->a.log, out);
        if (!out)
            return Fail(&c->a, "ERR_NULL_ADDRESS", "null address to store color");
        AddAnswer(c, out, source->color, sizeof source->color);
        return true;
    }
    if (kw == "numelements") {
        if (c->dir == Direction::Write)
            return ReadOnly(c, kw);
        return AnswerInt(c, (int32_t)c->flare->elements.size(), "numelements");
    }
    if (kw == "insert" || kw == "delete" || kw == "move" || kw == "savetofile" ||
        kw == "loadfromfile") {
        if (c->dir == Direction::Inquire)
            return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is a command, not an inquiry");
        return Fail(&c->a, "ERR_COMMAND_NOT_ALONE", "\"" + std::string(kw) + "\" must be the whole call");
    }
    return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is no keyword of a lens flare");
}

bool ElementKeyword(Call *c, std::string_view kw)
{
    Element *e = c->element;
    if (kw == "parameter")
        return SelectParameter(c);
    if (kw == "enabled") {
        if (c->dir == Direction::Write) {
            bool on = false;
            if (!ReadSwitch(&c->a, &on))
                return false;
            c->enabled.emplace_back(e, on);
            return true;
        }
        return AnswerToken(c, OnOff(e->enabled), "enabled");
    }
    bool known = kw == "numparameterdefinitions" || kw == "description" || kw == "name" ||
                 kw == "guid";
    if (known && c->dir == Direction::Write)
        return ReadOnly(c, kw);
    if (kw == "numparameterdefinitions")
        return AnswerInt(c, (int32_t)e->values.size(), "numparameterdefinitions");
    if (kw == "description")
        return AnswerPointer(c, e->type->description.c_str(), "description");
    if (kw == "name")
        return AnswerPointer(c, e->type->name.c_str(), "name");
    if (kw == "guid")
        return AnswerPointer(c, e->guid.c_str(), "guid");
    return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is no keyword of an element");
}

bool DefinitionKeyword(Call *c)
{
    Word w = NextWord(&c->a);
    if (w.kind == WordKind::Bad)
        return false;
    if (w.kind != WordKind::Keyword)
        return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"definition\" needs a keyword after it");
    const ParamDef &d = c->element->type->params[(size_t)c->param];
    const std::string_view kw = w.text;
    struct Range {
        std::string_view keyword;   /* a literal: its length is known */
        const float *values;
    };
    const Range ranges[] = {
        {"absminrange", d.absMin}, {"absmaxrange", d.absMax}, {"uiminrange", d.uiMin},
        {"uimaxrange", d.uiMax},   {"defaultvalue", d.defaultValue}, {"delta", d.delta},
    };
    for (const Range &r : ranges)
        if (kw == r.keyword)
            return AnswerFloats(c, r.values, 3, r.keyword.data());
    if (kw == "type")
        return AnswerToken(c, TokenFor(ParamTypeKeyword(d.type)), "type");
    if (kw == "guid")
        return AnswerPointer(c, d.guid.c_str(), "guid");
    if (kw == "description")
        return AnswerPointer(c, d.description.c_str(), "description");
    if (kw == "name")
        return AnswerPointer(c, d.name.c_str(), "name");
    if (kw == "precision")
        return AnswerInt64(c, d.precision, "precision");
    if (kw == "floatarg" || kw == "displayaspercentage") {
        if (!ExpectKeyword(&c->a, "enabled"))
            return false;
        return AnswerToken(c, OnOff(kw == "floatarg" ? d.floatArg : d.percentage), w.text);
    }
    return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is no keyword of a definition");
}

ParamChange *StagedParam(Call *c)
{
    for (ParamChange &p : c->params)
        if (p.element == c->element && p.index == c->param)
            return &p;
    ParamChange change;
    change.element = c->element;
    change.index = c->param;
    c->params.push_back(change);
    return &c->params.back();
}

bool WriteGradient(Call *c, const ParamDef &d)
{
    int32_t count = 0;
    if (!ReadIntAt(&c->a, &count, "the gradient count"))
        return false;
    uint64_t colors = 0, offsets = 0;
    if (!NextRaw(&c->a, &colors))
        return false;
    const float *colorArray = reinterpret_cast<const float *>(colors);
    LogFloatsAt(&c->a.log, colorArray, count > 0 && count <= kMaxGradientStops ? 3 * count : 0);
    if (!NextRaw(&c->a, &offsets))
        return false;
    const float *offsetArray = reinterpret_cast<const float *>(offsets);
    LogFloatsAt(&c->a.log, offsetArray, count > 0 && count <= kMaxGradientStops ? count : 0);
    if (count == 0)
        return true;   /* nothing given: the gradient stays */
    if (d.type != ParamType::Gradient)
        return Fail(&c->a, "ERR_PARAMETER_TYPE",
                    "\"" + d.name + "\" is a " + ParamTypeKeyword(d.type) + ", not a gradient");
    std::string why;
    if (!ValidGradient(offsetArray, colorArray, count, &why))
        return Fail(&c->a, "ERR_BAD_GRADIENT", why);
    ParamChange *p = StagedParam(c);
    p->setGradient = true;
    p->gradient.offsets.assign(offsetArray, offsetArray + count);
    p->gradient.colors.assign(colorArray, colorArray + 3 * count);
    return true;
}

bool WriteData(Call *c, const ParamDef &d)
{
    int32_t size = 0;
    if (!ReadIntAt(&c->a, &size, "the data size"))
        return false;
    uint64_t raw = 0;
    if (!NextRaw(&c->a, &raw))
        return false;
    const unsigned char *data = reinterpret_cast<const unsigned char *>(raw);
    bool sane = size > 0 && (size_t)size <= kMaxDataBytes;
    if (sane || !data)
        LogDataAt(&c->a.log, data, sane ? (size_t)size : 0);
    else
        LogOut(&c->a.log, data);
    if (size == 0)
        return true;   /* nothing given: the data stay */
    if (d.type != ParamType::ArbitraryData && d.type != ParamType::List)
        return Fail(&c->a, "ERR_PARAMETER_TYPE",
                    "\"" + d.name + "\" is a " + ParamTypeKeyword(d.type) + " and takes no data");
    std::string why;
    if (!ValidData(d, data, size, &why))
        return Fail(&c->a, "ERR_BAD_DATA", why);
    ParamChange *p = StagedParam(c);
    p->setData = true;
    p->data.assign(data, data + size);
    return true;
}

bool ParameterKeyword(Call *c, std::string_view kw)
{
    const ParamDef &d = c->element->type->params[(size_t)c->param];
    const ParamValue &value = c->element->values[(size_t)c->param];
    int n = ComponentCount(d.type);
    if (c->dir == Direction::Write) {
        if (kw == "value") {
            float v[4] = {0, 0, 0, 0};
            if (!ReadFloatsAt(&c->a, v, n, "value"))
                return false;
            std::string why;
            if (!ValidValue(d, v, &why))
                return Fail(&c->a, "ERR_BAD_VALUE", why);
            ParamChange *p = StagedParam(c);
            p->setValue = true;
            std::memcpy(p->v, v, sizeof v);
            return true;
        }
        if (kw == "gradientdata")
            return WriteGradient(c, d);
        if (kw == "arbitrarydata")
            return WriteData(c, d);
        if (kw == "parameterid" || kw == "definition")
            return ReadOnly(c, kw);
    } else {
        if (kw == "value")
            return AnswerFloats(c, value.v, n, "value");
        if (kw == "parameterid")
            return AnswerInt64(c, d.parameterId, "parameterid");
        if (kw == "definition")
            return DefinitionKeyword(c);
        if (kw == "gradientdata") {
            const GradientValue &g = value.gradient;
            bool has = d.type == ParamType::Gradient && g.count() > 0;
            return AnswerInt(c, has ? g.count() : 0, "the gradient count") &&
                   AnswerPointer(c, has ? g.colors.data() : nullptr, "the gradient colours") &&
                   AnswerPointer(c, has ? g.offsets.data() : nullptr, "the gradient offsets");
        }
        if (kw == "arbitrarydata") {
            bool has = !value.data.empty();
            return AnswerInt(c, has ? (int32_t)value.data.size() : 0, "the data size") &&
                   AnswerPointer(c, has ? value.data.data() : nullptr, "the data");
        }
    }
    return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is no keyword of a parameter");
}

void StoreAnswers(const Call &c)
{
    for (const Answer &answer : c.answers)
        std::memcpy(answer.address, answer.bytes, answer.size);
}

void ApplyChanges(Call *c)
{
    CopyGlobals(c->globals, c->flare);
    for (const std::pair<Element *, bool> &e : c->enabled)
        e.first->enabled = e.second;
    for (ParamChange &p : c->params) {
        ParamValue &value = p.element->values[(size_t)p.index];
        if (p.setValue)   /* components the type does not use keep what they hold */
            std::memcpy(value.v, p.v,
                        sizeof(float) * (size_t)ComponentCount(p.element->type->params[(size_t)p.index].type));
        if (p.setGradient)
            value.gradient = std::move(p.gradient);
        if (p.setData)
            value.data = std::move(p.data);
    }
}

/* ---- structural commands ---- */

bool ReadGuidIndex(Call *c, int *index)
{
    const char *guid = nullptr;
    if (!ReadText(&c->a, &guid, "the element guid"))
        return false;
    *index = FindElement(c->flare, guid);
    if (*index < 0)
        return Fail(&c->a, "ERR_BAD_GUID", std::string("no element has the guid ") + guid);
    return true;
}

void Insert(Call *c)
{
    Word where = NextWord(&c->a);
    if (where.kind == WordKind::Bad)
        return;
    std::string placement = where.kind == WordKind::Keyword ? where.text : "";
    if (placement != "start" && placement != "end" && placement != "before" && placement != "after") {
        Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"insert\" takes start, end, before or after");
        return;
    }
    const char *typeName = nullptr;
    if (!ReadText(&c->a, &typeName, "the element type"))
        return;
    const ElementType *type = FindElementType(typeName);
    if (!type) {
        Fail(&c->a, "ERR_UNKNOWN_ELEMENT_TYPE", std::string("no element type is named ") + typeName);
        return;
    }
    int anchor = -1;
    if ((placement == "before" || placement == "after") && !ReadGuidIndex(c, &anchor))
        return;
    void *out = nullptr;
    if (!ReadOut(&c->a, &out, "the new guid") || !ExpectEnd(&c->a, "the new guid's address"))
        return;
    std::unique_ptr<Element> element = NewElement(type);
    if (!element) {
        Fail(&c->a, "ERR_NO_MEMORY", std::string("no element of type ") + typeName);
        return;
    }
    size_t at = placement == "start"    ? 0
                : placement == "end"    ? c->flare->elements.size()
                : placement == "before" ? (size_t)anchor
                                        : (size_t)anchor + 1;
    const char *guid = element->guid.c_str();
    InsertElementAt(c->flare, at, std::move(element));
    std::memcpy(out, &guid, sizeof guid);
}

void Delete(Call *c)
{
    int index = -1;
    if (!ReadGuidIndex(c, &index) || !ExpectEnd(&c->a, "the guid"))
        return;
    EraseElementAt(c->flare, (size_t)index);
}

void Move(Call *c)
{
    Word way = NextWord(&c->a);
    if (way.kind == WordKind::Bad)
        return;
    std::string direction = way.kind == WordKind::Keyword ? way.text : "";
    if (direction != "up" && direction != "down") {
        Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"move\" takes up or down");
        return;
    }
    int index = -1;
    if (!ReadGuidIndex(c, &index) || !ExpectEnd(&c->a, "the guid"))
        return;
    int other = direction == "up" ? index - 1 : index + 1;
    /* the first up or the last down: nothing to do */
    if (other >= 0 && other < (int)c->flare->elements.size())
        SwapElements(c->flare, (size_t)index, (size_t)other);
}

void FileCommand(Call *c, bool save)
{
    const char *path = nullptr;
    void *statusOut = nullptr;
    if (!ReadText(&c->a, &path, "the file name") || !ReadOut(&c->a, &statusOut, "the status"))
        return;
    int32_t status = LNZ_BAD_CALL;
    if (ExpectEnd(&c->a, "the status address")) {
        std::string why;
        status = save ? SaveLnzFile(path, *c->flare, &why) : LoadLnzFile(path, c->flare, &why);
        if (status != LNZ_OK) {
            const char *name = save                           ? "ERR_LNZ_WRITE"
                               : status == LNZ_CANNOT_READ    ? "ERR_LNZ_READ"
                               : status == LNZ_UNKNOWN_TYPE   ? "ERR_LNZ_UNKNOWN_TYPE"
                                                              : "ERR_LNZ_FORMAT";
            Fail(&c->a, name, std::string(path) + ": " + why);
        }
    }
    std::memcpy(statusOut, &status, sizeof status);
}

bool Command(Call *c, std::string_view kw)
{
    if (kw == "insert")
        Insert(c);
    else if (kw == "delete")
        Delete(c);
    else if (kw == "move")
        Move(c);
    else if (kw == "savetofile")
        FileCommand(c, true);
    else if (kw == "loadfromfile")
        FileCommand(c, false);
    else
        return false;
    return true;
}

bool BeginCall(Call *c, const char *function, Direction dir, KaToken ownerType,
               const char *ownerName, va_list ap)
{
    c->dir = dir;
    ArgsBegin(&c->a, function, ap);
    LogToken(&c->a.log, ownerType);
    LogText(&c->a.log, ownerName);
    if (!TokenText(ownerType))
        return Fail(&c->a, "ERR_BAD_TOKEN", "owner type is no token: " + std::to_string(ownerType));
    if (!ownerName)
        return Fail(&c->a, "ERR_BAD_NAME", "null owner name");
    c->flare = FindFlare(ownerType, ownerName);
    if (!c->flare)
        return Fail(&c->a, "ERR_NO_SUCH_OBJECT",
                    std::string("no ") + TokenText(ownerType) + " named \"" + ownerName +
                        "\" with a lens flare");
    if (dir == Direction::Write)
        CopyGlobals(*c->flare, &c->globals);
    return true;
}

int LensFlareWorker(Direction dir, KaToken ownerType, const char *ownerName, va_list ap)
{
    Call c;
    const char *function = dir == Direction::Write ? "Ki_LensFlare" : "Ki_Inquire_LensFlare";
    if (!BeginCall(&c, function, dir, ownerType, ownerName, ap))
        return ArgsEnd(&c.a);
    bool first = true;
    bool ok = true;
    while (ok) {
        Word w = NextWord(&c.a);
        if (w.kind == WordKind::Bad) {
            ok = false;
            break;
        }
        if (w.kind == WordKind::End)
            break;
        if (w.kind == WordKind::GroupEnd) {
            c.context = Context::Flare;
            first = false;
            continue;
        }
        if (first && dir == Direction::Write && Command(&c, w.text))
            return ArgsEnd(&c.a);
        first = false;
        switch (c.context) {
        case Context::Flare: ok = FlareKeyword(&c, w.text); break;
        case Context::Element: ok = ElementKeyword(&c, w.text); break;
        case Context::Parameter: ok = ParameterKeyword(&c, w.text); break;
        }
    }
    if (ok && !c.a.failed) {
        if (dir == Direction::Inquire)
            StoreAnswers(c);
        else
            ApplyChanges(&c);
    }
    return ArgsEnd(&c.a);
}

bool g_offerElementTypes = true;

bool ElementInfoKeyword(Call *c, std::string_view kw, const ElementType **type)
{
    static const std::vector<const ElementType *> none;
    const std::vector<const ElementType *> &types = g_offerElementTypes ? ElementTypes() : none;
    if (c->context == Context::Flare) {
        if (kw == "numelements")
            return AnswerInt(c, (int32_t)types.size(), "numelements");
        if (kw == "element") {
            int32_t index = 0;
            if (!ReadIntAt(&c->a, &index, "the element type index"))
                return false;
            if (index < 0 || index >= (int32_t)types.size())
                return Fail(&c->a, "ERR_INDEX_RANGE",
                            "element type " + std::to_string(index) + " of " +
                                std::to_string(types.size()));
            *type = types[(size_t)index];
            c->context = Context::Element;
            return true;
        }
        return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is no keyword of the element types");
    }
    if (kw == "description")
        return AnswerPointer(c, (*type)->description.c_str(), "description");
    if (kw == "name")
        return AnswerPointer(c, (*type)->name.c_str(), "name");
    if (kw == "numparameterdefinitions")
        return AnswerInt(c, (int32_t)(*type)->params.size(), "numparameterdefinitions");
    return Fail(&c->a, "ERR_UNKNOWN_KEYWORD", "\"" + std::string(kw) + "\" is no keyword of an element type");
}

int ElementInfoWorker(KaToken first, va_list ap)
{
    Call c;
    c.dir = Direction::Inquire;
    ArgsBegin(&c.a, "Ki_LensFlare_Enumerate_ElementInfo", ap);
    const ElementType *type = nullptr;
    Word w = WordOf(&c.a, first);
    bool ok = true;
    for (;;) {
        if (w.kind == WordKind::Bad) {
            ok = false;
            break;
        }
        if (w.kind == WordKind::End)
            break;
        if (w.kind == WordKind::GroupEnd)
            c.context = Context::Flare;
        else if (!ElementInfoKeyword(&c, w.text, &type)) {
            ok = false;
            break;
        }
        w = NextWord(&c.a);
    }
    if (ok && !c.a.failed)
        StoreAnswers(c);
    return ArgsEnd(&c.a);
}

} // namespace

} // namespace ka

using namespace ka;

extern "C" int Ki_Inquire_LensFlare(KaToken ownerType, const char *ownerName, ...)
{
    va_list ap;
    va_start(ap, ownerName);
    int result = LensFlareWorker(Direction::Inquire, ownerType, ownerName, ap);
    va_end(ap);
    return result;
}

extern "C" int Ki_LensFlare(KaToken ownerType, const char *ownerName, ...)
{
    va_list ap;
    va_start(ap, ownerName);
    int result = LensFlareWorker(Direction::Write, ownerType, ownerName, ap);
    va_end(ap);
    return result;
}

extern "C" int Ki_LensFlare_Enumerate_ElementInfo(KaToken keyword, ...)
{
    va_list ap;
    va_start(ap, keyword);
    int result = ElementInfoWorker(keyword, ap);
    va_end(ap);
    return result;
}

extern "C" void Kh_Offer_Element_Types(int on)
{
    g_offerElementTypes = on != 0;
}

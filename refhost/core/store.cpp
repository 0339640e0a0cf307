/*
 * store.cpp - the host's lights, each carrying one lens flare, and the
 * keyword calls that create, change, remove and look for them.
 */
#include <cstring>
#include <map>
#include <memory>

#include "args.h"
#include "demo_flares.h"
#include "store.h"
#include "tokens.h"

namespace ka {

namespace {

/* Every light of the host by name; owned here, created by Ki_Light and
 * destroyed by Ki_Remove.  unique_ptr keeps a Light (and its flare) at one
 * address for as long as it exists. */
std::map<std::string, std::unique_ptr<Light>> g_lights;

const char *const kLightModels[] = {"point", "spot", "distant"};

bool IsLightModel(const char *text)
{
    for (const char *model : kLightModels)
        if (std::strcmp(model, text) == 0)
            return true;
    return false;
}

/* Reads the keyword groups of Ki_Light into *light (a staging copy). */
bool ReadLightGroups(Args *a, Light *light)
{
    for (;;) {
        Word w = NextWord(a);
        if (w.kind == WordKind::Bad)
            return false;
        if (w.kind == WordKind::End)
            return true;
        if (w.kind == WordKind::GroupEnd)
            continue;
        const std::string kw = w.text;
        if (kw == "model") {
            Word model = NextWord(a);
            if (model.kind == WordKind::Bad)
                return false;
            if (model.kind != WordKind::Keyword || !IsLightModel(model.text))
                return Fail(a, "ERR_BAD_LIGHT_MODEL",
                            std::string("light model must be point, spot or distant") +
                                (model.kind == WordKind::Keyword ? std::string(", not ") + model.text
                                                                 : std::string()));
            light->model = model.text;
        } else if (kw == "color") {
            if (!ReadColorAt(a, light->color))
                return false;
        } else if (kw == "intensity") {
            if (!ReadFloatsAt(a, &light->intensity, 1, "intensity"))
                return false;
        } else if (kw == "bdfsave") {
            if (!ExpectKeyword(a, "enabled") || !ReadSwitch(a, &light->bdfSave))
                return false;
        } else {
            return Fail(a, "ERR_UNKNOWN_KEYWORD", "\"" + kw + "\" is no keyword of a light");
        }
    }
}

bool ReadOwnerType(Args *a, KaToken type)
{
    LogToken(&a->log, type);
    if (!TokenText(type))
        return Fail(a, "ERR_BAD_TOKEN", "object type is no token: " + std::to_string(type));
    if (!IsToken(type, "light"))
        return Fail(a, "ERR_UNKNOWN_OBJECT_TYPE",
                    std::string("objects of type \"") + TokenText(type) + "\" are not kept by this host");
    return true;
}

int LightWorker(const char *name, va_list ap)
{
    Args a;
    ArgsBegin(&a, "Ki_Light", ap);
    LogText(&a.log, name);
    if (!name || !*name) {
        Fail(&a, "ERR_BAD_NAME", "a light needs a name");
        return ArgsEnd(&a);
    }
    auto found = g_lights.find(name);
    Light staged;
    if (found != g_lights.end()) {
        staged.model = found->second->model;
        std::memcpy(staged.color, found->second->color, sizeof staged.color);
        staged.intensity = found->second->intensity;
        staged.bdfSave = found->second->bdfSave;
    }
    if (ReadLightGroups(&a, &staged)) {
        Light *light = found != g_lights.end() ? found->second.get() : nullptr;
        if (!light) {
            std::unique_ptr<Light> made = std::make_unique<Light>();
            made->name = name;
            DefaultFlare(&made->flare);
            light = made.get();
            g_lights.emplace(name, std::move(made));
        }
        light->model = staged.model;
        std::memcpy(light->color, staged.color, sizeof light->color);
        light->intensity = staged.intensity;
        light->bdfSave = staged.bdfSave;
    }
    return ArgsEnd(&a);
}

int RemoveWorker(KaToken type, const char *name, va_list ap)
{
    Args a;
    ArgsBegin(&a, "Ki_Remove", ap);
    if (ReadOwnerType(&a, type)) {
        LogText(&a.log, name);
        auto found = name ? g_lights.find(name) : g_lights.end();
        if (!name)
            Fail(&a, "ERR_BAD_NAME", "null light name");
        else if (found == g_lights.end())
            Fail(&a, "ERR_NO_SUCH_OBJECT", std::string("no light named \"") + name + "\"");
        else if (ExpectEnd(&a, "the name"))
            g_lights.erase(found);
    }
    return ArgsEnd(&a);
}

int ExistsWorker(const char *name, int32_t *exists, KaToken type, va_list ap)
{
    Args a;
    ArgsBegin(&a, "Ki_Handle_Name_Exists", ap);
    LogText(&a.log, name);
    LogOut(&a.log, exists);
    if (!name)
        Fail(&a, "ERR_BAD_NAME", "null name");
    else if (!exists)
        Fail(&a, "ERR_NULL_ADDRESS", "null address to store the answer");
    else if (ReadOwnerType(&a, type) && ExpectEnd(&a, "the type"))
        *exists = g_lights.count(name) ? 1 : 0;
    return ArgsEnd(&a);
}

} // namespace

Light *FindLight(const char *name)
{
    if (!name)
        return nullptr;
    auto found = g_lights.find(name);
    return found == g_lights.end() ? nullptr : found->second.get();
}

Flare *FindFlare(KaToken ownerType, const char *ownerName)
{
    if (!IsToken(ownerType, "light"))
        return nullptr;
    Light *light = FindLight(ownerName);
    return light ? &light->flare : nullptr;
}

} // namespace ka

using namespace ka;

extern "C" int Ki_Light(const char *name, ...)
{
    va_list ap;
    va_start(ap, name);
    int result = LightWorker(name, ap);
    va_end(ap);
    return result;
}

extern "C" int Ki_Remove(KaToken type, const char *name, ...)
{
    va_list ap;
    va_start(ap, name);
    int result = RemoveWorker(type, name, ap);
    va_end(ap);
    return result;
}

extern "C" int Ki_Handle_Name_Exists(const char *name, int32_t *exists, KaToken type, ...)
{
    va_list ap;
    va_start(ap, type);
    int result = ExistsWorker(name, exists, type, ap);
    va_end(ap);
    return result;
}

/*
 * panel_support.cpp - parameter kinds and the panel's area, shared by the
 * builder and the command handlers.
 */
#include "host/host_helpers.h"
#include "model/lens_flare_model.h"
#include "panel/panel_support.h"
#include "resources/resource_ids.h"

namespace {

struct TypeKeyword {
    const char *text;
    ParameterKind kind;
};

const TypeKeyword kTypeKeywords[] = {
    {"intslider", ParameterKind::IntSlider},
    {"floatslider", ParameterKind::FloatSlider},
    {"angle", ParameterKind::Angle},
    {"checkbox", ParameterKind::Checkbox},
    {"color", ParameterKind::Color},
    {"point", ParameterKind::Point},
    {"list", ParameterKind::List},
    {"gradient", ParameterKind::Gradient},
    {"arbitrarydata", ParameterKind::ArbitraryData},
};

} // namespace

ParameterKind KindOfParameter(const ElementParameter *parameter)
{
    if (!parameter)
        return ParameterKind::Unknown;
    for (const TypeKeyword &keyword : kTypeKeywords)
        if (parameter->type == Token(keyword.text))
            return keyword.kind;
    return ParameterKind::Unknown;
}

void GetParameterAreaRect(HWND dialog, RECT *area)
{
    SetRectEmpty(area);
    HWND item = GetDlgItem(dialog, IDC_PARAM_AREA);
    if (!item)
        return;
    GetClientRect(item, area);
    MapWindowPoints(item, dialog, reinterpret_cast<POINT *>(area), 2);
}

/*
 * preview_fixture.h - a preview under test: the editor template holding
 * only the editor's preview (preview_dialog.h), a host session for the
 * light with its default flare and the call log, and the instance the
 * preview renders for.
 */
#ifndef PREVIEW_FIXTURE_H
#define PREVIEW_FIXTURE_H

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "entry/plugin.h"
#include "host_session.h"
#include "preview/preview.h"
#include "preview_dialog.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace preview_test {

const char kLight[] = "PreviewLight";

struct Point {
    int x, y;
};

inline bool operator==(Point a, Point b)
{
    return a.x == b.x && a.y == b.y;
}

inline void PrintTo(Point p, std::ostream *out)
{
    *out << "(" << p.x << ", " << p.y << ")";
}

/* Light positions of the renders of a light (the session's by default)
 * since the log was cleared, from the words that follow its name. */
inline std::vector<Point> RenderPositions(const HostSession &host, const std::string &light = "")
{
    std::vector<Point> points;
    std::string owner = "\"" + (light.empty() ? host.light : light) + "\"";
    for (const std::string &line : host.Log("Ki_LensFlareApplyToGBuffer")) {
        size_t at = line.find(owner);
        Point p = {0, 0};
        if (at != std::string::npos &&
            std::sscanf(line.c_str() + at + owner.size(), " %d %d", &p.x, &p.y) == 2)
            points.push_back(p);
        else
            ADD_FAILURE() << "unreadable render line: " << line;
    }
    return points;
}

class PreviewFixture : public testing::Test {
protected:
    void SetUp() override
    {
        instance.handleType = Ki_Inquire_Token("light");
        std::strcpy(instance.handleName, kLight);
        instance.moduleInstance = moduleHandle;
        currentInstance = &instance;
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        currentInstance = nullptr;
        forcePaletteDisplay = false;
    }

    /* The editor template, shown, with a preview of width x height client
     * pixels set up as the editor sets it up; one opened before is closed. */
    void OpenPreview(int width, int height)
    {
        if (dialog)
            DestroyWindow(dialog);
        dialog = ui::OpenPreviewDialog(width, height);
        ASSERT_NE(nullptr, dialog);
        preview = GetDlgItem(dialog, IDC_PREVIEW);
    }

    HostSession host{kLight};   /* the light, its call log and a working folder */
    PluginInstance instance = {};
    HWND dialog = nullptr;
    HWND preview = nullptr;
};

inline bool IsWhite(COLORREF c)
{
    return c == RGB(255, 255, 255);
}

} // namespace preview_test

#endif

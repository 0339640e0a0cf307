// The plug-in's two entries as a host reaches them: through the real DLL
// loaded with LoadLibrary, and through the statically linked code where a
// test needs to look at the instance record.
#include <cstring>
#include <gtest/gtest.h>

#include "host_errors.h"
#include "host_session.h"
#include "model/lens_flare_model.h"
#include "refhost_api.h"
#include "ui_driver.h"

namespace {

struct DllHost : testing::Test {
    void SetUp() override
    {
        Kh_Clear_Errors();
        std::string error;
        ASSERT_TRUE(LoadPlugin("lensflare_ui.dll", &plugin, &error)) << error;
    }
    void TearDown() override { UnloadPlugin(&plugin); }
    LoadedPlugin plugin;
};

} // namespace

TEST_F(DllHost, WithoutServicesOrAnInstanceTheCommandRefusesAndAStrayKeywordIsReportedButTheEditorOpens)
{
    HostSession host;
    void *instance = CreatePluginInstance(&plugin, nullptr, "init");
    ASSERT_NE(instance, nullptr);
    host.ClearLog();
    ui::Driver driver;
    EXPECT_EQ(RunLensFlareEditor(&plugin, instance, ui::TestOwnerWindow(), "light", "Light01"), 1);
    EXPECT_EQ(driver.Seen(), std::vector<std::string>{
                                 "Plug-in Error|Could not link to the Kalvos interface API methods."});
    EXPECT_TRUE(host.Log("Ki_Inquire_LensFlare").empty());
    DestroyPluginInstance(&plugin, instance);
    const char *keywords[] = {"handle_type", nullptr};
    void *values[] = {nullptr, nullptr};
    EXPECT_EQ(plugin.command(nullptr, nullptr, keywords, values), 0);
    EXPECT_EQ(driver.Boxes().size(), 1u) << "a null instance is refused quietly";

    /* A stray keyword is reported and the editor still opens on the owner. */
    instance = CreatePluginInstance(&plugin, &host.services, "init");
    host.ClearLog();
    std::string caption;
    driver.When("Lens Flare Editor", [&](HWND dialog) {
        caption = ui::Text(dialog);
        CloseWithOk(dialog);
    });
    const char *stray[] = {"handle_type", "stray_word", "execute_lens_flare_dialog_box", nullptr};
    void *strayValues[] = {reinterpret_cast<void *>((uintptr_t)Ki_Inquire_Token("light")), nullptr,
                           const_cast<char *>("Light01"), nullptr};
    EXPECT_EQ(plugin.command(instance, ui::TestOwnerWindow(), stray, strayValues), 1);
    EXPECT_EQ(caption, "Lens Flare Editor");
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "ERR_GEOM_IMPORT_BAD_TOKEN|LensFlare_Entry()|stray_word");
    std::vector<std::string> reads = host.Log("Ki_Inquire_LensFlare");
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads[0].rfind("Ki_Inquire_LensFlare light \"Light01\" enabled &out 1", 0), 0u)
        << reads[0];
    DestroyPluginInstance(&plugin, instance);
}

TEST_F(DllHost, EntryKeywordsAreIgnoredOrReportedAsArgumentsAndInstancesLeaveNoLeaks)
{
    int64_t before = LiveHostBlocks();
    int32_t status = -1;
    const char *empty[] = {"", "new_instance", nullptr};
    void *emptyValues[] = {nullptr, nullptr, nullptr};
    plugin.entry(empty, emptyValues, &status, nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(emptyValues[1], nullptr) << "a list that starts with an empty string does nothing";

    const char *quiet[] = {"parent_hWnd", "shutdown", "no_such_keyword", nullptr};
    void *quietValues[] = {nullptr, nullptr, nullptr, nullptr};
    plugin.entry(quiet, quietValues, &status, nullptr);
    EXPECT_TRUE(ErrorReports().empty()) << "unknown entry keywords are ignored silently";

    const char *execute[] = {"execute", "filename", "bogus", "new_instance", nullptr};
    void *executeValues[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
    plugin.entry(execute, executeValues, &status, nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(executeValues[3], nullptr)
        << "keywords after execute are arguments, not entry keywords";
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "ERR_GEOM_IMPORT_BAD_TOKEN|LensFlare_Entry()|bogus");
    EXPECT_EQ(reports[1], "ERR_GEOM_IMPORT_BAD_TOKEN|LensFlare_Entry()|new_instance");

    DemoHostServices services("C:\\");
    void *a = CreatePluginInstance(&plugin, &services, "first");
    void *b = CreatePluginInstance(&plugin, &services, "second");
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_NE(a, b);
    DestroyPluginInstance(&plugin, a);
    DestroyPluginInstance(&plugin, b);
    UnloadPlugin(&plugin);
    EXPECT_EQ(LiveHostBlocks(), before) << "the saved init string stays until unload";
}

TEST(Entry, InstancesCopyTheLatestInitStringAndDestroyingTheCurrentOneForgetsIt)
{
    int32_t status = -1;
    const char *init1[] = {"initialize", nullptr};
    void *v1[] = {const_cast<char *>("first"), nullptr};
    PluginEntryPoint(init1, v1, &status, nullptr);
    void *v2[] = {const_cast<char *>("second"), nullptr};
    PluginEntryPoint(init1, v2, &status, nullptr);
    DemoHostServices services("C:\\");
    const char *create[] = {"parent_hInstance", "new_instance", nullptr};
    void *values[] = {&services, nullptr, nullptr};
    PluginEntryPoint(create, values, &status, nullptr);
    PluginInstance *instance = static_cast<PluginInstance *>(values[1]);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(currentInstance, instance);
    EXPECT_STREQ(instance->initString, "second");
    EXPECT_NE(instance->initString, savedInitString) << "each instance has its own copy";
    EXPECT_EQ(instance->model, nullptr);
    const char *destroy[] = {"destroy_instance", nullptr};
    void *none[] = {nullptr, nullptr};
    PluginEntryPoint(destroy, none, &status, instance);
    EXPECT_EQ(currentInstance, nullptr);
}

TEST(Entry, NamesLongerThanTheBufferAreCut)
{
    HostSession host;
    std::string longName(1500, 'L');
    ui::Driver driver;
    driver.When("Lens Flare Editor", CloseWithOk);
    const char *keywords[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
    void *values[] = {reinterpret_cast<void *>((uintptr_t)Ki_Inquire_Token("light")),
                      const_cast<char *>(longName.c_str()), nullptr};
    ExecuteLensFlareCommand(host.instance, ui::TestOwnerWindow(), keywords, values);
    EXPECT_EQ(std::strlen(host.instance->handleName), 1023u);
    EXPECT_EQ(host.instance->model, nullptr) << "the model is freed when the editor closes";
}

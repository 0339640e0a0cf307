// A fresh light per test, the element types the tests define for
// themselves, and small readers of the host's state through its own API.
#ifndef HOST_FIXTURE_H
#define HOST_FIXTURE_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "host/kalvos_core.h"
#include "host_errors.h"
#include "refhost_api.h"

inline KaToken T(const char *keyword) { return Ki_Inquire_Token(keyword); }

/* One parameter of every type; the values below come from this text. */
extern const char *const kProbeType;
/* A type without parameters. */
extern const char *const kBareType;

struct LightTest : testing::Test {
    void SetUp() override;
    void TearDown() override;

    std::string Describe() const;            /* Kh_Describe_Flare of the light */
    int32_t Count() const;                   /* "numelements" */
    const char *GuidAt(int32_t index) const;
    std::vector<std::string> Names() const;  /* type names in flare order */
    void RemoveAllElements();
    const char *Insert(const char *type, const char *where = "end", const char *anchor = nullptr);
    /* The status a "savetofile" or "loadfromfile" of the owner's flare
     * (the light's unless told) gives; the call answers 0 exactly when
     * the status is 0. */
    int32_t File(const char *command, const std::string &path, const std::string &owner = "");

    std::string name;                        /* the light, unique per test */
    KaToken light = 0;
};

std::string TempPath(const std::string &file);
bool Exists(const std::string &path);
void WriteFile(const std::string &path, const std::string &text);

#endif

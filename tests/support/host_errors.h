// The host's error record as a test reads it, for the host's own tests and
// the plug-in's alike.
#ifndef HOST_ERRORS_H
#define HOST_ERRORS_H

#include <string>
#include <vector>

#include "refhost_api.h"

/* Error reports since the last Kh_Clear_Errors, as "name|routine|detail". */
inline std::vector<std::string> ErrorReports()
{
    std::vector<std::string> reports;
    for (int i = 0; i < Kh_Error_Count(); i++) {
        char text[1024];
        Kh_Get_Error(i, text, sizeof text);
        reports.push_back(text);
    }
    return reports;
}

/* Just the error names. */
inline std::vector<std::string> ErrorNames()
{
    std::vector<std::string> names;
    for (const std::string &r : ErrorReports())
        names.push_back(r.substr(0, r.find('|')));
    return names;
}

#endif

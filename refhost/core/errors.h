/* errors.h - the host's error record, as the core and the tests read it. */
#ifndef REFHOST_ERRORS_H
#define REFHOST_ERRORS_H

#include <string>
#include <vector>

namespace ka {

struct ErrorReport {
    int severity;
    std::string name;
    std::string routine;
    std::string detail;
};

void ReportError(int severity, const std::string &name, const std::string &routine,
                 const std::string &detail);
std::vector<ErrorReport> Errors();   /* the kept reports, oldest first */
long long DroppedErrors();
void ClearErrors();
void SetErrorEcho(bool on);

} // namespace ka

#endif

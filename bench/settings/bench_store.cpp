#include "bench_store.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "store/atomic_file.h"
#include "store/comFunc.h"
#include "store/project_store.h"
#include "text/cp932.h"

namespace bench {

std::string address(long n) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "mx%08ld@mail.example.jp", n);
    return buffer;
}

void writeLargeStore(const std::string& appPath, long recipients) {
    const store::ProjectStore s(appPath);
    s.writeProjectList({kProject});
    s.ensureProjectFolder(kProject);
    const std::string section = text::cp932::fromUtf8("メール同報システム").value();
    fncIniWrite(s.iniPath(kProject), section, "GROUPCOUNT", "2");
    fncIniWrite(s.iniPath(kProject), section, "SMTP", "SMTP-AUTH");
    std::string list;
    list.reserve(std::size_t(recipients) * 2 * 31);
    for (long n = 0; n < 2 * recipients; ++n) {
        list += address(n);
        list += n % 2 == 0 ? ",0\r\n" : ",1\r\n";
    }
    store::textfile::writeAll(s.listPath(kProject), list);
    for (int group = 0; group < 2; ++group) {
        s.writeGroupName(kProject, group, "group" + std::to_string(group));
        s.writeSubject(kProject, group, "subject");
        s.writeBody(kProject, group, "body line 1\nbody line 2");
    }
}

std::string projectName(long n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "project-%05ld", n);
    return buffer;
}

void writeProjectList(const std::string& appPath, long projects) {
    std::vector<std::string> names;
    names.reserve(std::size_t(projects));
    for (long n = 0; n < projects; ++n) names.push_back(projectName(n));
    store::ProjectStore(appPath).writeProjectList(names);
}

void requireListLines(const std::string& appPath, long lines) {
    const std::string path = store::ProjectStore(appPath).listPath(kProject);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size != lines * kListLineBytes)
        throw std::runtime_error(path + " does not hold " + std::to_string(lines) + " lines");
}

long groupRecipients(const std::string& appPath, int group) {
    const std::string recipients = store::ProjectStore(appPath).readRecipients(kProject, group);
    if (recipients.empty()) return 0;
    long lines = 1;
    for (char c : recipients) lines += c == '\n';
    return lines;
}

}  // namespace bench

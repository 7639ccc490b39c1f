#pragma once

#include <string>
#include <vector>

namespace store {

// The project store below the application folder: project.ini, Mail/<project>/...,
// BAT/<project>.bat. Project names, group names and texts are CP932 bytes; paths returned
// are on-disk (UTF-8) paths. Every path of the store is built here.
//
// Project names must pass isAddressableProjectName() before any call that takes one;
// a refused name throws std::invalid_argument instead of touching the disk, and so does a
// negative group number. Folder paths are returned without a trailing separator.
class ProjectStore {
public:
    explicit ProjectStore(std::string appPath);  // "/" is added when missing

    const std::string& appPath() const { return appPath_; }

    std::string projectListPath() const;
    // optout.txt: the addresses that asked to receive nothing, one list for every project.
    std::string optOutPath() const;
    // Beside optout.txt: why and when each address was added (CP932 CSV).
    std::string optOutJournalPath() const;
    static std::string optOutJournalPathFor(const std::string& optOutPath);
    std::string mailFolder() const;
    std::string projectFolder(const std::string& project) const;
    std::string iniPath(const std::string& project) const;
    std::string listPath(const std::string& project) const;
    std::string groupNamePath(const std::string& project, int group) const;
    std::string subjectPath(const std::string& project, int group) const;
    std::string bodyPath(const std::string& project, int group) const;
    // The sender's mailbox: its settings (with the password, so apart from Fendrival.ini,
    // which the sending program reads) and what was read from it.
    std::string mailboxSettingsPath(const std::string& project) const;
    std::string mailboxStatePath(const std::string& project) const;
    std::string batFolder() const;
    std::string batPath(const std::string& project) const;
    // BAT/<project>.sh: the same run as the .bat, for this platform.
    std::string launcherPath(const std::string& project) const;

    // project.ini: every line untrimmed, empty lines included; [] when missing.
    std::vector<std::string> readProjectList() const;
    void writeProjectList(const std::vector<std::string>& names) const;

    void ensureProjectFolder(const std::string& project) const;
    // Removes what killed writes left in the project folder: temporary files of its own
    // files (Fendrival.ini, list.txt, Group-, Subject-, Body-<n>.txt) that no writer holds.
    // Loading a project calls it; a missing folder is no error.
    void removeStaleTemporaries(const std::string& project) const;

    // First line trimmed; "" when missing or empty.
    std::string readGroupName(const std::string& project, int group) const;
    void writeGroupName(const std::string& project, int group, const std::string& name) const;
    // The last non-empty line; "" when missing.
    std::string readSubject(const std::string& project, int group) const;
    void writeSubject(const std::string& project, int group, const std::string& subject) const;
    // The body's lines joined by LF; "" when missing.
    std::string readBody(const std::string& project, int group) const;
    // The field's text (lines separated by LF, CR LF or CR) written with CR LF between
    // lines, no line end added after the last one.
    void writeBody(const std::string& project, int group, const std::string& text) const;

    // Group n's recipients joined by LF. A missing list.txt is created empty (with the
    // project folder chain) and gives "".
    std::string readRecipients(const std::string& project, int group) const;
    // Keeps the lines of other groups that split into exactly two fields, then appends
    // every non-empty line of the field text (LF, CR LF or CR separated) with ",<n>".
    void storeRecipients(const std::string& project, int group, const std::string& fieldText) const;
    // Drops group n's lines and every line that does not split into exactly two fields.
    void dropGroupRecipients(const std::string& project, int group) const;
    // Removes Group-, Subject- and Body-<n>.txt where present.
    void removeGroupFiles(const std::string& project, int group) const;

private:
    std::string appPath_;
};

// A name may address a project folder: not empty, not made of full stops only, no refused
// character (fncCheckName), valid CP932. Everything that builds a path checks this first.
bool isAddressableProjectName(const std::string& project);

// The on-disk folder name of a CP932 project name (nullopt-like "" when not convertible).
std::string projectFolderName(const std::string& project);

}  // namespace store

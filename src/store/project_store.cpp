#include "store/project_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string_view>

#include "store/atomic_file.h"
#include "store/comFunc.h"
#include "store/recipient_scan.h"
#include "store/text_file.h"
#include "text/cp932.h"
#include "text/line_steps.h"

namespace store {
namespace {

const std::string& checked(const std::string& project) {
    if (!isAddressableProjectName(project)) {
        throw std::invalid_argument("project name cannot address a folder");
    }
    return project;
}

std::string groupText(int group) {
    if (group < 0) throw std::invalid_argument("no group selected");
    return std::to_string(group);
}

// A file name of a project folder: Fendrival.ini, list.txt, or Group-, Subject- or
// Body-<n>.txt with n as the store writes it.
bool isProjectFileName(std::string_view name) {
    if (name == "Fendrival.ini" || name == "list.txt") return true;
    for (std::string_view prefix : {"Group-", "Subject-", "Body-"}) {
        if (name.substr(0, prefix.size()) != prefix) continue;
        std::string_view number = name.substr(prefix.size());
        if (number.size() < 5 || number.substr(number.size() - 4) != ".txt") return false;
        number.remove_suffix(4);
        if (number.empty() || (number.size() > 1 && number.front() == '0')) return false;
        for (char c : number) {
            if (c < '0' || c > '9') return false;
        }
        return true;
    }
    return false;
}

bool onlyFullStops(const std::string& s) {
    return s.find_first_not_of('.') == std::string::npos;
}

// Writes the lines of other groups that a rewrite keeps, each with CR LF, read from the
// old file that the writer holds locked; a block's kept lines go out in one write.
void writeKeptLines(textfile::AtomicWriter& out, const std::string& path,
                    const std::string& group) {
    if (out.oldFile() < 0) return;
    textfile::LineBlocks old(path, out.oldFile());
    std::string kept;
    std::string_view block;
    while (old.next(block)) {
        kept.clear();
        recipients::appendKeptLines(block, group, kept);
        out.append(kept);
    }
}

// Every non-empty line of the field text (LF, CR LF or CR separated) with the ending,
// gathered into large pieces rather than handed over two small appends a line.
void writeTypedLines(textfile::AtomicWriter& out, std::string_view text, std::string_view ending) {
    constexpr std::size_t kPiece = 1 << 20;
    std::string piece;
    piece.reserve(kPiece + 4096);
    textfile::LineReader typed(text);
    std::string_view line;
    while (typed.next(line)) {
        if (line.empty()) continue;
        piece.append(line);
        piece.append(ending);
        if (piece.size() >= kPiece) {
            out.append(piece);
            piece.clear();
        }
    }
    out.append(piece);
}

// The lines of a text file of the store; a missing file has none.
std::vector<std::string> linesIfPresent(const std::string& path) {
    if (!textfile::fileExists(path)) return {};
    return textfile::readLines(path);
}

// A file of the store that the tool may remove: present, and not read-only.
void removeIfWritable(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return;
    if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) return;
    ::unlink(path.c_str());
}

}  // namespace

ProjectStore::ProjectStore(std::string appPath) : appPath_(fncIncludeDelimiter(appPath)) {}

std::string ProjectStore::projectListPath() const {
    return appPath_ + "project.ini";
}

std::string ProjectStore::optOutPath() const {
    return appPath_ + "optout.txt";
}

std::string ProjectStore::optOutJournalPath() const {
    return optOutJournalPathFor(optOutPath());
}

std::string ProjectStore::optOutJournalPathFor(const std::string& optOutPath) {
    return optOutPath.substr(0, optOutPath.rfind('/') + 1) + "optout-journal.csv";
}

std::string ProjectStore::mailboxSettingsPath(const std::string& project) const {
    return projectFolder(project) + "/Mailbox.ini";
}

std::string ProjectStore::mailboxStatePath(const std::string& project) const {
    return projectFolder(project) + "/MailboxRead.txt";
}

std::string ProjectStore::mailFolder() const {
    return appPath_ + "Mail";
}

std::string ProjectStore::projectFolder(const std::string& project) const {
    return mailFolder() + "/" + projectFolderName(checked(project));
}

std::string ProjectStore::iniPath(const std::string& project) const {
    return projectFolder(project) + "/Fendrival.ini";
}

std::string ProjectStore::listPath(const std::string& project) const {
    return projectFolder(project) + "/list.txt";
}

std::string ProjectStore::groupNamePath(const std::string& project, int group) const {
    return projectFolder(project) + "/Group-" + groupText(group) + ".txt";
}

std::string ProjectStore::subjectPath(const std::string& project, int group) const {
    return projectFolder(project) + "/Subject-" + groupText(group) + ".txt";
}

std::string ProjectStore::bodyPath(const std::string& project, int group) const {
    return projectFolder(project) + "/Body-" + groupText(group) + ".txt";
}

std::string ProjectStore::batFolder() const {
    return appPath_ + "BAT";
}

std::string ProjectStore::batPath(const std::string& project) const {
    return batFolder() + "/" + projectFolderName(checked(project)) + ".bat";
}

std::string ProjectStore::launcherPath(const std::string& project) const {
    return batFolder() + "/" + projectFolderName(checked(project)) + ".sh";
}

std::vector<std::string> ProjectStore::readProjectList() const {
    return linesIfPresent(projectListPath());
}

void ProjectStore::writeProjectList(const std::vector<std::string>& names) const {
    textfile::writeLines(projectListPath(), names);
}

void ProjectStore::ensureProjectFolder(const std::string& project) const {
    textfile::createFolderChain(projectFolder(project));
}

void ProjectStore::removeStaleTemporaries(const std::string& project) const {
    textfile::removeStaleTemporaries(projectFolder(project), isProjectFileName);
}

std::string ProjectStore::readGroupName(const std::string& project, int group) const {
    auto lines = linesIfPresent(groupNamePath(project, group));
    return lines.empty() ? std::string() : text::cp932::trim(lines.front());
}

void ProjectStore::writeGroupName(const std::string& project, int group,
                                  const std::string& name) const {
    textfile::writeLines(groupNamePath(project, group), {name});
}

std::string ProjectStore::readSubject(const std::string& project, int group) const {
    std::string subject;
    for (auto& line : linesIfPresent(subjectPath(project, group))) {
        if (!line.empty()) subject = std::move(line);
    }
    return subject;
}

void ProjectStore::writeSubject(const std::string& project, int group,
                                const std::string& subject) const {
    textfile::writeLines(subjectPath(project, group), {subject});
}

std::string ProjectStore::readBody(const std::string& project, int group) const {
    std::string body;
    bool first = true;
    for (const auto& line : linesIfPresent(bodyPath(project, group))) {
        if (!first) body += '\n';
        body += line;
        first = false;
    }
    return body;
}

void ProjectStore::writeBody(const std::string& project, int group, const std::string& text) const {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text::lines::endOfLine(text, pos);
        bytes.append(text, pos, end - pos);
        if (end < text.size()) bytes += "\r\n";
        pos = text::lines::afterLineEnd(text, end);
    }
    textfile::writeAll(bodyPath(project, group), bytes);
}

std::string ProjectStore::readRecipients(const std::string& project, int group) const {
    const std::string number = groupText(group);
    const std::string path = listPath(project);
    if (!textfile::fileExists(path)) {
        ensureProjectFolder(project);
        textfile::writeAll(path, {});
        return {};
    }
    textfile::LineBlocks list(path);
    std::string recipients;
    bool any = false;
    std::string_view block;
    while (list.next(block)) recipients::appendGroupRecipients(block, number, recipients, any);
    return recipients;
}

void ProjectStore::storeRecipients(const std::string& project, int group,
                                   const std::string& fieldText) const {
    const std::string number = groupText(group);
    const std::string path = listPath(project);
    if (!textfile::fileExists(path)) ensureProjectFolder(project);
    textfile::AtomicWriter out(path);
    writeKeptLines(out, path, number);
    writeTypedLines(out, fieldText, "," + number + "\r\n");
    out.commit();
}

void ProjectStore::dropGroupRecipients(const std::string& project, int group) const {
    const std::string number = groupText(group);
    const std::string path = listPath(project);
    if (!textfile::fileExists(path)) ensureProjectFolder(project);
    textfile::AtomicWriter out(path);
    writeKeptLines(out, path, number);
    out.commit();
}

void ProjectStore::removeGroupFiles(const std::string& project, int group) const {
    removeIfWritable(groupNamePath(project, group));
    removeIfWritable(subjectPath(project, group));
    removeIfWritable(bodyPath(project, group));
}

bool isAddressableProjectName(const std::string& project) {
    if (project.empty() || onlyFullStops(project) || !fncCheckName(project)) return false;
    if (project.find('\0') != std::string::npos) return false;
    auto folder = text::cp932::toUtf8(project);
    // The converted name is checked once more, so that no conversion can yield a
    // separator or a name of full stops.
    return folder && !folder->empty() && !onlyFullStops(*folder) &&
           folder->find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::string projectFolderName(const std::string& project) {
    return text::cp932::toUtf8(project).value_or(std::string());
}

}  // namespace store

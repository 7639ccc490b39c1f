#include "recipients/optout_gate.h"
#include "recipients/optout_reader.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "store/project_store.h"
#include "store/store_error.h"
#include "support/temp_app_folder.h"

using recipients::OptOutList;

namespace {

// list.txt bytes: kept lines (k) and opted-out ones (o), with quotes, trail bytes 0x5C and
// 0x7C, a lead byte that takes the comma, a NUL, lines of no group, a blank before the
// comma, an empty address and a last line without a line end.
struct ListLine {
    std::string bytes;
    bool optedOut;
} const kList[] = {
    {"a@x.jp,0\r\n", false},
    {"Opt@X.jp,1\r\n", true},
    {"\"opt@x.jp\",2\r\n", true},
    {"\x95\x5c@x.jp,0\r\n", false},
    {"opt@x.jp,10\n", true},
    {sj("ｏｐｔ＠ｘ．ｊｐ") + ",1\r", true},
    {"b@x.jp,\x83\x7c\r\n", false},
    {" opt@x.jp ,1,extra\r\n", true},
    {"\x81,opt@x.jp,3\r\n", false},
    {"opt@x.jp\r\n", true},
    {std::string("c@x.jp,2\0opt@x.jp,2", 19) + "\r\n", false},
    {"\"a,b\",opt@x.jp\r\n", false},
    {"OPT@X.JP\t,1\r\n", true},
    {"opt@x.jpx,1\r\n", false},
    {",opt@x.jp,1\r\n", false},
    {"opt@x.jp,2", true},
};

std::string listText(bool keptOnly) {
    std::string text;
    for (const auto& line : kList) {
        if (!keptOnly || !line.optedOut) text += line.bytes;
    }
    return text;
}

void expectCounts(const recipients::ListOptOuts& found) {
    EXPECT_EQ(found.lines, 8u);
    const std::vector<std::pair<std::string, std::size_t>> want = {
        {"1", 4}, {"2", 2}, {"10", 1}, {"", 1}};
    ASSERT_EQ(found.groups.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(found.groups[i].group, want[i].first);
        EXPECT_EQ(found.groups[i].lines, want[i].second) << want[i].first;
    }
}

ino_t inode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

}  // namespace

TEST(OptOutGate, RemovesExactlyTheOptedOutLinesKeepingEveryOtherByte) {
    const OptOutList list("OPT@x.jp\r\n");
    const std::string text = listText(false);
    expectCounts(recipients::findListOptOuts(text, list));
    EXPECT_EQ(recipients::withoutListOptOuts(text, list), listText(true));
    EXPECT_EQ(recipients::withoutListOptOuts(text, OptOutList()), text);
    EXPECT_EQ(recipients::findListOptOuts(text, OptOutList()).lines, 0u);
}

TEST(OptOutGate, RewritesTheProjectListAtomicallyOnlyWhenSomethingIsOptedOut) {
    TempAppFolder dir;
    const store::ProjectStore store(dir.path());
    const std::string project = sj("案件");
    dir.makeFolder("Mail/案件");
    EXPECT_EQ(recipients::findProjectOptOuts(store, project, OptOutList("a@x.jp")).lines, 0u);

    dir.write("Mail/案件/list.txt", listText(false));
    dir.setMode("Mail/案件/list.txt", 0640);
    const ino_t before = inode(store.listPath(project));
    EXPECT_EQ(recipients::removeProjectOptOuts(store, project, OptOutList("z@x.jp")).lines, 0u);
    EXPECT_EQ(inode(store.listPath(project)), before);

    const OptOutList list("opt@x.jp");
    expectCounts(recipients::findProjectOptOuts(store, project, list));
    expectCounts(recipients::removeProjectOptOuts(store, project, list));
    EXPECT_EQ(dir.read("Mail/案件/list.txt"), listText(true));
    EXPECT_EQ(dir.mode("Mail/案件/list.txt"), 0640u);

    dir.makeFolder("optout.txt");
    EXPECT_THROW(recipients::loadOptOutList(store), store::StoreError);
}

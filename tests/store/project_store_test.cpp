#include "store/project_store.h"

#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "store/atomic_file.h"
#include "store/recipient_scan.h"
#include "support/temp_app_folder.h"

using store::ProjectStore;
using Lines = std::vector<std::string>;

namespace {

class ProjectStoreTest : public ::testing::Test {
protected:
    TempAppFolder dir;
    ProjectStore store{dir.path()};
    const std::string project = sj("案件ソ");
    const std::string folder = "Mail/案件ソ/";
};

}  // namespace

TEST(ProjectStorePaths, AreBuiltBelowTheApplicationFolder) {
    ProjectStore store("/app/");
    const std::string p = sj("表 示");
    EXPECT_EQ(store.projectListPath(), "/app/project.ini");
    EXPECT_EQ(store.mailFolder(), "/app/Mail");
    EXPECT_EQ(store.projectFolder(p), "/app/Mail/表 示");
    EXPECT_EQ(store.iniPath(p), "/app/Mail/表 示/Fendrival.ini");
    EXPECT_EQ(store.listPath(p), "/app/Mail/表 示/list.txt");
    EXPECT_EQ(store.groupNamePath(p, 0), "/app/Mail/表 示/Group-0.txt");
    EXPECT_EQ(store.subjectPath(p, 12), "/app/Mail/表 示/Subject-12.txt");
    EXPECT_EQ(store.bodyPath(p, 3), "/app/Mail/表 示/Body-3.txt");
    EXPECT_EQ(store.batFolder(), "/app/BAT");
    EXPECT_EQ(store.batPath(p), "/app/BAT/表 示.bat");
    EXPECT_EQ(ProjectStore("/app").listPath("x"), "/app/Mail/x/list.txt");
    EXPECT_THROW(store.subjectPath(p, -1), std::invalid_argument);
}

TEST(ProjectStorePaths, OnlyNamesThatStayInsideMailAddressAFolder) {
    for (std::string name : {std::string("a"), sj("ソ"), sj("表"), std::string(".a"),
                             std::string("a.b"), std::string("a:b c"), sj("　全角")}) {
        EXPECT_TRUE(store::isAddressableProjectName(name)) << name;
    }
    const std::string refused[] = {
        "",     ".",      "..",  "...", "a/b", "../x", "/abs", "a\\b", std::string("x\0y", 3),
        "\x80", "ab\x83", "a|b",
    };
    TempAppFolder dir;
    ProjectStore store(dir.path());
    for (const auto& name : refused) {
        EXPECT_FALSE(store::isAddressableProjectName(name)) << name;
        EXPECT_THROW(store.projectFolder(name), std::invalid_argument) << name;
        EXPECT_THROW(store.batPath(name), std::invalid_argument) << name;
        EXPECT_THROW(store.ensureProjectFolder(name), std::invalid_argument) << name;
        EXPECT_THROW(store.readRecipients(name, 0), std::invalid_argument) << name;
        EXPECT_THROW(store.storeRecipients(name, 0, "x"), std::invalid_argument) << name;
        EXPECT_THROW(store.dropGroupRecipients(name, 0), std::invalid_argument) << name;
        EXPECT_THROW(store.writeGroupName(name, 0, "g"), std::invalid_argument) << name;
        EXPECT_THROW(store.removeGroupFiles(name, 0), std::invalid_argument) << name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "nothing may reach the disk";
}

TEST_F(ProjectStoreTest, ProjectListIsReadUntrimmedAndWrittenWhole) {
    EXPECT_EQ(store.readProjectList(), Lines{});
    dir.write("project.ini", "  A\r\n\r\nB\nC");
    EXPECT_EQ(store.readProjectList(), (Lines{"  A", "", "B", "C"}));
    store.writeProjectList({"A", project});
    EXPECT_EQ(dir.read("project.ini"), "A\r\n" + project + "\r\n");
    store.writeProjectList({});
    EXPECT_EQ(dir.read("project.ini"), "");
}

TEST_F(ProjectStoreTest, ProjectFoldersAreCreatedPrivateWithTheMailFolder) {
    store.ensureProjectFolder(project);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file(folder)));
    EXPECT_EQ(dir.mode("Mail"), 0700u);
    EXPECT_EQ(dir.mode(folder), 0700u);
    store.ensureProjectFolder(project);
}

TEST_F(ProjectStoreTest, GroupSubjectAndBodyFilesFollowTheirReadRules) {
    EXPECT_EQ(store.readGroupName(project, 0), "");
    EXPECT_EQ(store.readSubject(project, 0), "");
    EXPECT_EQ(store.readBody(project, 0), "");

    store.ensureProjectFolder(project);
    store.writeGroupName(project, 0, project + sj("メールグループ"));
    EXPECT_EQ(dir.read(folder + "Group-0.txt"), project + sj("メールグループ") + "\r\n");
    dir.write(folder + "Group-1.txt", " \tname \r\nsecond\r\n");
    EXPECT_EQ(store.readGroupName(project, 1), "name");
    dir.write(folder + "Group-2.txt", "");
    EXPECT_EQ(store.readGroupName(project, 2), "");

    dir.write(folder + "Subject-0.txt", "first\r\nlast \r\n\r\n");
    EXPECT_EQ(store.readSubject(project, 0), "last ");
    store.writeSubject(project, 0, " s ");
    EXPECT_EQ(dir.read(folder + "Subject-0.txt"), " s \r\n");

    dir.write(folder + "Body-0.txt", "a\r\n\r\nb\rc\r\n");
    EXPECT_EQ(store.readBody(project, 0), "a\n\nb\nc");
}

TEST_F(ProjectStoreTest, TheBodyIsWrittenExactlyWithCrLfBetweenLines) {
    store.ensureProjectFolder(project);
    struct Case {
        std::string text;
        std::string bytes;
    } cases[] = {
        {"a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd"},
        {"line\n", "line\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"", ""},
        {sj("表ソ") + "\n" + sj("本文"), sj("表ソ") + "\r\n" + sj("本文")},
    };
    for (const auto& c : cases) {
        store.writeBody(project, 4, c.text);
        EXPECT_EQ(dir.read(folder + "Body-4.txt"), c.bytes) << c.text;
    }
}

TEST_F(ProjectStoreTest, RecipientsOfAGroupMatchTheSecondFieldExactly) {
    dir.write(folder + "list.txt",
              "A,0\r\nB,1\r\nC,0\r\nD,00\r\n  E ,0\r\nF G,0\r\nH,\"0\"\r\nI,0,x\r\n\r\nJ\r\n"
              ",0\r\n" +
                  sj("表") + ",0\r\n");
    EXPECT_EQ(store.readRecipients(project, 0), "A\nC\n  E \nH\nI\n\n" + sj("表"));
    EXPECT_EQ(store.readRecipients(project, 1), "B");
    EXPECT_EQ(store.readRecipients(project, 2), "");
}

TEST_F(ProjectStoreTest, AMissingListIsCreatedEmptyWithItsFolders) {
    EXPECT_EQ(store.readRecipients(project, 0), "");
    EXPECT_EQ(dir.read(folder + "list.txt"), "");
    EXPECT_EQ(dir.mode(folder), 0700u);
}

TEST_F(ProjectStoreTest, StoringAGroupKeepsOtherGroupsFirstAndDropsMalformedLines) {
    // Group 1 is stored from the field lines X, an empty line and Y.
    dir.write(folder + "list.txt", "A,0\r\nB,1\r\nC,0\r\nF G,2\r\n\r\n\x80z,2\r\nK,2,x\r\n");
    store.storeRecipients(project, 1, "X\n\nY");
    EXPECT_EQ(dir.read(folder + "list.txt"), "A,0\r\nC,0\r\n\x80z,2\r\nX,1\r\nY,1\r\n");

    // Lines are written as typed: blanks kept, CR LF or CR between them.
    store.storeRecipients(project, 0, " P \r\nQ\r  \r\n");
    EXPECT_EQ(dir.read(folder + "list.txt"), "\x80z,2\r\nX,1\r\nY,1\r\n P ,0\r\nQ,0\r\n  ,0\r\n");
    EXPECT_EQ(store.readRecipients(project, 0), " P \nQ\n  ");
}

TEST_F(ProjectStoreTest, StoringAnEmptyFieldRemovesTheGroupsLines) {
    dir.write(folder + "list.txt", "X,0\r\n\r\nY,1\r\n");
    store.storeRecipients(project, 0, "");
    EXPECT_EQ(dir.read(folder + "list.txt"), "Y,1\r\n");
    store.storeRecipients(project, 1, "\n\n");
    EXPECT_EQ(dir.read(folder + "list.txt"), "");
}

TEST_F(ProjectStoreTest, StoringIntoAMissingListCreatesTheFolderChain) {
    store.storeRecipients(project, 3, "a@example.com");
    EXPECT_EQ(dir.read(folder + "list.txt"), "a@example.com,3\r\n");
    EXPECT_EQ(dir.mode("Mail"), 0700u);
}

TEST_F(ProjectStoreTest, DroppingAGroupKeepsOnlyTwoFieldLinesOfOtherGroups) {
    dir.write(folder + "list.txt", "A,0\r\nB,4\r\nC,1\r\nD E,0\r\nB2,4\r\nF,04\r\n");
    store.dropGroupRecipients(project, 4);
    EXPECT_EQ(dir.read(folder + "list.txt"), "A,0\r\nC,1\r\nF,04\r\n");

    const std::string other = sj("別件");
    store.dropGroupRecipients(other, 1);
    EXPECT_EQ(dir.read("Mail/別件/list.txt"), "");
}

TEST_F(ProjectStoreTest, RemovingGroupFilesSparesReadOnlyOnesAndMissingOnesAreNoError) {
    dir.write(folder + "Group-2.txt", "g\r\n");
    dir.write(folder + "Body-2.txt", "b");
    dir.write(folder + "Group-1.txt", "g\r\n");
    dir.setMode(folder + "Body-2.txt", 0444);
    store.removeGroupFiles(project, 2);
    EXPECT_FALSE(dir.exists(folder + "Group-2.txt"));
    EXPECT_TRUE(dir.exists(folder + "Body-2.txt"));
    EXPECT_TRUE(dir.exists(folder + "Group-1.txt"));
}

TEST_F(ProjectStoreTest, ListsLargerThanOneReadBlockGiveWhatTheWholeTextGives) {
    // About 3 MB of varied lines, so that lines, CR LF pairs, quotes and lead bytes fall
    // across the edges of the blocks the list is read in.
    std::string list;
    const std::string kinds[] = {
        "a@example.jp,0\r\n", "b,1\n",      "\"q,x\",0\r", sj("表ソ") + ",0\r\n",
        "c d,0\r\n",          "\x81,0\r\n", "e,00\r\n",    "f,2\r\n"};
    for (std::size_t i = 0; list.size() < (3u << 20); ++i) {
        list += std::to_string(i % 97);
        list += kinds[(i * 7 + i / 5) % 8];
    }
    dir.write(folder + "list.txt", list);

    for (int group : {0, 1, 2}) {
        const std::string number = std::to_string(group);
        EXPECT_EQ(store.readRecipients(project, group),
                  store::recipients::groupRecipients(list, number));
    }
    store.dropGroupRecipients(project, 1);
    std::string kept;
    store::recipients::keptLines(list, "1", [&](std::string_view b) { kept.append(b); });
    EXPECT_EQ(dir.read(folder + "list.txt"), kept);
}

TEST_F(ProjectStoreTest, AGroupStoreHeldBetweenOpenAndLockKeepsTheOtherStore) {
    dir.write(folder + "list.txt", "A,0\r\nB,1\r\n");
    store::textfile::setBeforeLockHook([&] { store.storeRecipients(project, 2, "C"); });
    store.storeRecipients(project, 1, "D");
    store::textfile::setBeforeLockHook(nullptr);
    EXPECT_EQ(dir.read(folder + "list.txt"), "A,0\r\nC,2\r\nD,1\r\n");
}

TEST_F(ProjectStoreTest, LoadingCleansUpOnlyStaleTemporaryFilesOfTheProjectsFiles) {
    store.ensureProjectFolder(project);
    const char* const stale[] = {
        ".list.txt.tmp41-0",      ".Fendrival.ini.tmp41-1", ".Group-0.txt.tmp41-2",
        ".Subject-12.txt.tmp7-3", ".Body-3.txt.tmp7-4",
    };
    const char* const kept[] = {
        ".notes.txt.tmp41-5",  // not a file of the store
        ".Group-01.txt.tmp41-6", ".Body-.txt.tmp41-7", ".Subject-x.txt.tmp41-8", "list.txt",
    };
    for (const char* name : stale) dir.write(folder + name, "x");
    for (const char* name : kept) dir.write(folder + name, "x");
    store.removeStaleTemporaries(project);
    for (const char* name : stale) EXPECT_FALSE(dir.exists(folder + name)) << name;
    for (const char* name : kept) EXPECT_TRUE(dir.exists(folder + name)) << name;
    store.removeStaleTemporaries(sj("無い"));  // a missing folder is no error
}

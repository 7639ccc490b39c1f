// Kills a process that keeps storing a group of a 200,000-line list.txt and writing an INI
// key, at random moments, and checks what each kill leaves behind. A longer campaign:
//   STORE_CRASH_KILLS=1000 build-store/tests/store/test_store --gtest_filter='StoreCrash.*'
// STORE_CRASH_SEED=<n> repeats a campaign.
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "store/atomic_file.h"
#include "store/comFunc.h"
#include "store/project_store.h"
#include "support/temp_app_folder.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kDefaultKills = 10;  // the sanitizers make every write slower
#else
constexpr int kDefaultKills = 40;
#endif
constexpr int kListLines = 200000;
constexpr int kGroups = 5;

unsigned long fromEnvironment(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// The file's bytes, read plainly: the check must not lean on the store's own reading.
std::string bytesOf(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "<missing>";
    char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

std::vector<std::string> temporaryFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (!store::textfile::temporaryTarget(entry->d_name).empty())
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

class StoreCrash : public ::testing::Test {
protected:
    void SetUp() override {
        section = sj("メール同報システム");
        store.ensureProjectFolder(project);
        // The list as a hand-made file holds it: groups interleaved.
        std::string list;
        for (int i = 0; i < kListLines; ++i) {
            list +=
                "user" + std::to_string(i) + "@example.com," + std::to_string(i % kGroups) + "\r\n";
        }
        dir.write("Mail/crash/list.txt", list);
        dir.write("Mail/crash/Fendrival.ini", ini("1"));
        // What storing group 0 from each field text gives: the other groups' lines in their
        // order, then the field's lines.
        std::string others;
        for (int i = 0; i < kListLines; ++i) {
            if (i % kGroups != 0) {
                others += "user" + std::to_string(i) + "@example.com," +
                          std::to_string(i % kGroups) + "\r\n";
            }
        }
        for (int k = 0; k < 2; ++k) {
            std::string field;
            std::string stored = others;
            for (int i = 0; i < 20000 + 5000 * k; ++i) {
                const std::string address =
                    "field" + std::to_string(k) + "-" + std::to_string(i) + "@example.jp";
                field += address + "\n";
                stored += address + ",0\r\n";
            }
            fields[k] = field;
            lists[k] = stored;
        }
        listNow = list;
        iniNow = ini("1");
    }

    std::string ini(const std::string& count) const {
        return "[" + section + "]\r\nSMTPServer=smtp.example.com\r\nGROUPCOUNT=" + count +
               "\r\n\r\n";
    }

    // One round of the writer: both field texts, each with its group count.
    void writeRound(int k) const {
        store.storeRecipients(project, 0, fields[k % 2]);
        fncIniWrite(store.iniPath(project), section, "GROUPCOUNT", std::to_string(2 + k % 2));
    }

    [[noreturn]] void writeUntilKilled() const {
        try {
            for (int k = 0;; ++k) writeRound(k);
        } catch (...) {
        }
        _exit(3);
    }

    TempAppFolder dir;
    store::ProjectStore store{dir.path()};
    const std::string project = "crash";
    const std::string folder = dir.file("Mail/crash");
    std::string section;
    std::string fields[2];
    std::string lists[2];
    std::string listNow;
    std::string iniNow;
};

}  // namespace

TEST_F(StoreCrash, EveryKillLeavesOldOrNewFilesAndTheNextWriteLeavesNoTemporaryFile) {
    const unsigned long seed = fromEnvironment("STORE_CRASH_SEED", std::random_device{}());
    const unsigned long kills = fromEnvironment("STORE_CRASH_KILLS", kDefaultKills);
    SCOPED_TRACE("STORE_CRASH_SEED=" + std::to_string(seed));
    std::mt19937_64 random(seed);

    // Kills fall anywhere in the first two rounds of writing.
    const auto start = std::chrono::steady_clock::now();
    writeRound(0);
    listNow = lists[0];
    iniNow = ini("2");
    const auto round = std::chrono::steady_clock::now() - start;
    std::uniform_int_distribution<long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(round).count() * 2);

    unsigned long violations = 0;
    unsigned long killedMidWrite = 0;
    unsigned long leftovers = 0;
    for (unsigned long kill = 0; kill < kills; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) writeUntilKilled();
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer stopped by itself, status " << status << ", kill " << kill;

        const std::string list = bytesOf(folder + "/list.txt");
        const std::string settings = bytesOf(folder + "/Fendrival.ini");
        const bool listWhole = list == listNow || list == lists[0] || list == lists[1];
        const bool iniWhole = settings == iniNow || settings == ini("2") || settings == ini("3");
        EXPECT_TRUE(listWhole) << "list.txt is neither old nor new after kill " << kill << " ("
                               << list.size() << " bytes)";
        EXPECT_TRUE(iniWhole) << "Fendrival.ini is neither old nor new after kill " << kill << ":\n"
                              << settings;
        violations += !listWhole + !iniWhole;
        killedMidWrite += !temporaryFiles(folder).empty();

        // The next successful write of each file clears what the kill left.
        writeRound(static_cast<int>(kill));
        listNow = lists[kill % 2];
        iniNow = ini(std::to_string(2 + kill % 2));
        const auto left = temporaryFiles(folder);
        EXPECT_TRUE(left.empty()) << left.size() << " temporary files left after kill " << kill
                                  << ", first " << left.front();
        leftovers += left.size();
        ASSERT_TRUE(bytesOf(folder + "/list.txt") == listNow) << "the next write went wrong";
    }
    std::printf(
        "crash campaign: seed %lu, %lu kills, %lu hit a write in progress, "
        "%lu files neither old nor new, %lu temporary files left after the next write\n",
        seed, kills, killedMidWrite, violations, leftovers);
    // A campaign whose kills all missed the writes proves nothing.
    if (kills >= 10) {
        EXPECT_GT(killedMidWrite, 0u);
    }
}

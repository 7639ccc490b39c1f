#pragma once

#include <string>
#include <vector>

// Pairs of addresses (UTF-8) and whether they are one recipient, for every place that
// compares addresses: the key itself, the opt-out list and its gates, the opt-out dialog
// and duplicate removal must all give the same answer. Letters at both ends of the
// alphabet, and the bytes just outside it, in the first eight bytes and past them, since
// the folds work eight bytes at a time.
struct AddressKeyCase {
    std::string listed;
    std::string other;
    bool same;
};

inline const std::vector<AddressKeyCase> kAddressKeyCases = {
    {"zed@x.jp", "Zed@x.jp", true},
    {"zed@x.jp", "ZED@X.JP", true},
    {"zed@x.jp", "zeD@x.jp", true},
    {"Aaz@x.jp", "aAZ@x.jp", true},
    {"abcdefgz@zz.example.jp", "ABCDEFGZ@ZZ.EXAMPLE.JP", true},
    {"zed@x.jp", "ｚｅｄ＠ｘ．ｊｐ", true},
    {"zed@x.jp", "ＺＥＤ@x.jp", true},
    {"zed@x.jp", " \tzed@x.jp\t ", true},
    {"zed@x.jp", "　zed@x.jp　", true},
    {"ＺＥＤ@x.jp", "zed@x.jp", true},
    {"zed@x.jp", "zed@x.j", false},
    {"[ed@x.jp", "{ed@x.jp", false},  // the bytes after Z and after z
    {"@a@x.jp", "`a@x.jp", false},    // the bytes before A and before a
    {"`ed@x.jp", "@ed@x.jp", false},
    {"Ω@x.jp", "ω@x.jp", false},  // only ASCII letters fold
    {"Д@x.jp", "д@x.jp", false},
    {"ア@x.jp", "ｱ@x.jp", false},  // no other form is changed
    {"z e@x.jp", "ze@x.jp", false},
};

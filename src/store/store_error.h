#pragma once

#include <stdexcept>
#include <string>

namespace store {

// A file error that ends the current action. what() is the user's text (UTF-8),
// ready for the general error report, e.g. "ファイル /a/b/list.txt を作成できません".
class StoreError : public std::runtime_error {
public:
    enum class Kind { CannotCreate, CannotOpen, WriteFailed };

    StoreError(Kind kind, const std::string& path);

    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }

private:
    Kind kind_;
    std::string path_;
};

}  // namespace store

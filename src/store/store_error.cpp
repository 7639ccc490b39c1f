#include "store/store_error.h"

namespace store {
namespace {

std::string userText(StoreError::Kind kind, const std::string& path) {
    switch (kind) {
        case StoreError::Kind::CannotCreate:
            return "ファイル " + path + " を作成できません";
        case StoreError::Kind::CannotOpen:
            return "ファイル " + path + " は開けません";
        case StoreError::Kind::WriteFailed:
            break;
    }
    return "ストリームへの書き込みエラー";
}

}  // namespace

StoreError::StoreError(Kind kind, const std::string& path)
    : std::runtime_error(userText(kind, path)), kind_(kind), path_(path) {}

}  // namespace store

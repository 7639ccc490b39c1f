#include "sample_text.h"

#include "support/temp_app_folder.h"

namespace sample {

std::string encode(const char* encoding, const std::string& utf8) {
    return encodeAs(encoding, utf8);
}

std::string customerCsv(int rows, const char* delimiter) {
    const char* names[] = {"山田太郎", "鈴木花子", "佐藤一郎", "高橋ソフト株式会社"};
    const char* places[] = {"東京都", "大阪府", "北海道", "福岡県"};
    std::string text =
        std::string("氏名") + delimiter + "メールアドレス" + delimiter + "都道府県\r\n";
    for (int n = 0; n < rows; ++n) {
        text += std::string(names[n % 4]) + delimiter + "user" + std::to_string(n) +
                "@example.co.jp" + delimiter + places[n % 4] + "\r\n";
    }
    return text;
}

std::string variedCustomerCsv(int rows) {
    const char* family[] = {"山田", "鈴木", "佐藤", "高橋", "田中", "伊藤", "渡辺", "中村",
                            "小林", "加藤", "吉田", "山口", "松本", "井上", "木村"};
    const char* given[] = {"太郎", "花子",   "一郎", "美咲", "健太", "由美",
                           "翔",   "さくら", "大輔", "陽子", "拓也", "恵"};
    const char* places[] = {"東京都新宿区",   "大阪府大阪市北区", "北海道札幌市", "福岡県福岡市",
                            "愛知県名古屋市", "神奈川県横浜市",   "京都府京都市", "宮城県仙台市"};
    std::string text = "氏名,メールアドレス,住所\r\n";
    for (int n = 0; n < rows; ++n) {
        text += std::string(family[n % 15]) + given[(n / 15) % 12] + ",user" + std::to_string(n) +
                "@example.co.jp," + places[(n / 7) % 8] + "\r\n";
    }
    return text;
}

}  // namespace sample

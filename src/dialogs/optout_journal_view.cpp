#include "dialogs/optout_journal_view.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QItemSelectionModel>
#include <QLabel>
#include <memory>
#include <unordered_set>

#include "dialogs/optout_model.h"
#include "recipients/address_key.h"
#include "recipients/field_lines.h"
#include "recipients/optout_journal.h"
#include "store/project_store.h"

namespace optoutjournal {

QLabel* reasonLabel(QWidget* parent, QAbstractItemView* view, const std::string& optOutPath) {
    auto journal = std::make_shared<std::unordered_map<std::string, recipients::JournalEntry>>(
        recipients::journalByAddress(store::ProjectStore::optOutJournalPathFor(optOutPath)));
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("optOutReason"));
    label->setAccessibleName(QStringLiteral("選んだアドレスの追加理由"));
    label->setWordWrap(true);
    auto show = [label, journal](const QModelIndex& index) {
        const std::string key = index.data(OptOutModel::KeyRole).toString().toStdString();
        const auto entry = key.empty() ? journal->end() : journal->find(key);
        if (entry == journal->end()) {
            label->setText(index.isValid() ? QStringLiteral("追加理由: 記録なし") : QString());
            return;
        }
        QString text = QStringLiteral("追加理由: %1　追加日: %2")
                           .arg(QString::fromStdString(entry->second.reason),
                                QString::fromStdString(entry->second.date));
        if (!entry->second.messageId.empty())
            text += QStringLiteral("　（メール %1 %2）")
                        .arg(QString::fromStdString(entry->second.sourceDate),
                             QString::fromStdString(entry->second.messageId));
        label->setText(text);
    };
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, label,
                     [show](const QModelIndex& current) { show(current); });
    return label;
}

void recordTyped(const std::string& optOutPath, const recipients::OptOutFileText& before,
                 const std::vector<std::string>& dialogAddresses) {
    std::unordered_set<std::string> listed;
    recipients::forEachFieldLine(before.addresses, [&](std::size_t, std::string_view line) {
        listed.insert(recipients::addressKey(line));
    });
    const std::string now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    std::vector<recipients::JournalEntry> entries;
    for (const std::string& address : dialogAddresses)
        if (listed.insert(recipients::addressKey(address)).second)
            entries.push_back({now, address, recipients::kTypedReason, "", ""});
    recipients::appendJournal(store::ProjectStore::optOutJournalPathFor(optOutPath), entries);
}

}  // namespace optoutjournal

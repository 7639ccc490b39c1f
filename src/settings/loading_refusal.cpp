#include "settings/loading_refusal.h"

#include "shell/message_box.h"
#include "textfield/plain_text_field.h"

namespace loadingrefusal {

bool refuse(PlainTextField* field) {
    if (!field->isLoading()) return false;
    msgbox::warning(
        QStringLiteral("宛先リストを読み込み中です。読み込みが終わってから、"
                       "もう一度操作してください。"));
    return true;
}

}  // namespace loadingrefusal

#include "settings/group_save_steps.h"

#include "recipients/optout_reader.h"
#include "settings/field_text.h"
#include "shell/off_thread.h"
#include "store/project_store.h"

namespace groupsave {

Recipients prepare(const store::ProjectStore& store, std::string_view field,
                   const std::string& group, std::size_t keep) {
    Recipients out;
    recipients::OptOutList optOuts;
    offthread::alongside([&] { optOuts = recipients::loadOptOutList(store); },
                         [&] { out.stored = fieldtext::toStoreFromUtf8(field); });
    if (!out.stored) return out;
    out.check = store::recipients::checkTypedLines(*out.stored, group);
    if (out.check.refused == 0)
        out.optedOut = recipients::findCp932FieldOptOuts(*out.stored, optOuts, keep);
    return out;
}

}  // namespace groupsave

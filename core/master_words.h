#pragma once

#include "app/texts.h"
#include "protocol/master_role.h"

namespace core {

// "primary master", "secondary master", in the language of `languageFlag`.
inline QString masterRoleText(protocol::MasterRole role, qint16 languageFlag) {
    return app::text(role == protocol::MasterRole::Primary ? app::Text::MasterPrimary
                                                           : app::Text::MasterSecondary,
                     languageFlag);
}

// "primary", "secondary".
inline QString masterWord(protocol::MasterRole role, qint16 languageFlag) {
    return app::text(role == protocol::MasterRole::Primary ? app::Text::MasterWordPrimary
                                                           : app::Text::MasterWordSecondary,
                     languageFlag);
}

// What is said when another master is heard on the line: of the other class, news; of ours, a
// fault with what to do about it.
// Another master heard: of our own role a fault while we talk, plain news while we only listen.
inline QString otherMasterText(protocol::MasterRole heard, protocol::MasterRole ours,
                               qint16 languageFlag, bool listening = false) {
    if (heard != ours || listening)
        return app::text(app::Text::LineOtherMaster, languageFlag)
            .arg(masterWord(heard, languageFlag));
    const protocol::MasterRole other = heard == protocol::MasterRole::Primary
                                           ? protocol::MasterRole::Secondary
                                           : protocol::MasterRole::Primary;
    return app::text(app::Text::LineSameMaster, languageFlag)
        .arg(masterWord(heard, languageFlag), masterWord(other, languageFlag),
             protocol::roleWord(other));
}

inline protocol::MasterRole masterRoleOf(bool secondary) {
    return secondary ? protocol::MasterRole::Secondary : protocol::MasterRole::Primary;
}

} // namespace core

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

inline protocol::MasterRole masterRoleOf(bool secondary) {
    return secondary ? protocol::MasterRole::Secondary : protocol::MasterRole::Primary;
}

} // namespace core

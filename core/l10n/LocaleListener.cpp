#include "core/l10n/LocaleListener.h"

#include "core/l10n/Localization.h"

LocaleListener::LocaleListener() : LocaleListener(Localization::instance()) {}

LocaleListener::LocaleListener(Localization& localization) : localization_(&localization) {
    localization.addListener(this);
}

LocaleListener::~LocaleListener() {
    if (localization_ != nullptr)
        localization_->removeListener(this);
}

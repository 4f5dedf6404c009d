#pragma once

class Localization;

// Base of every window that shows localised texts: it is told when the interface language
// changes and re-applies its texts then. Registration lasts from construction to destruction.
class LocaleListener {
public:
    // Registers with the process-wide localisation (building it, and so loading the languages,
    // on first use).
    LocaleListener();
    // Registers with the given localisation; for code that keeps its own instance.
    explicit LocaleListener(Localization& localization);
    virtual ~LocaleListener();

    LocaleListener(const LocaleListener&) = delete;
    LocaleListener& operator=(const LocaleListener&) = delete;

    virtual void localeChanged() = 0;

private:
    friend class Localization;
    // Cleared by the localisation when it goes first, so the destructor does not reach a dead
    // object at process exit.
    Localization* localization_;
};

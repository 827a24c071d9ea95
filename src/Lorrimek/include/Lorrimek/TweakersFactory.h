// CTweakersFactory: the library's front door. It creates one object of every tweak class, in
// catalogue order and each with its fixed tweak ID, owns them, and deletes them when it is
// destroyed. Two factories (in one process or two) each have their own tweaks and share only the
// device registry. A factory and its tweaks belong to the thread that created them.
#pragma once

#include <Lorrimek/Api.h>
#include <Lorrimek/TweakBase.h>
#include <Lorrimek/WideString.h>

#include <list>

class LORRIMEK_API CTweakersFactory {
public:
    // Creates the catalogue: opens (creating them if needed) every tweak's store keys and the
    // target keys that tweaks hold. Changes no value and takes no backup. A tweak that cannot be
    // allocated is left out; the list never holds null.
    CTweakersFactory();
    // Deletes every tweak in list order, which closes their keys.
    ~CTweakersFactory();
    // A factory owns its tweaks, so it is neither copied nor assigned.
    CTweakersFactory(const CTweakersFactory&) = delete;
    CTweakersFactory& operator=(const CTweakersFactory&) = delete;

    // The tweaks in catalogue order; valid, and unchanged, as long as the factory lives.
    const std::list<CTweakBase*>& GetAllTweaks() const;
    // The first tweak whose ID equals `id` exactly (case-sensitive, whole text), or null. The
    // factory keeps ownership.
    CTweakBase* GetTweakByID(const CWideString& id) const;
    // Runs every tweak's DoBackupIfNeeded in list order, supported or not, whatever the others
    // returned; true when every one returned 0.
    bool DoBackupIfNeeded();

private:
    std::list<CTweakBase*> m_tweaks;
};

// The catalogue's tweak of a class; its whole ID is pinned once, in FactoryTest.
#pragma once

#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <string_view>

#include "support/RegistryProbe.h"

inline CTweakBase* TweakByClass(const CTweakersFactory& factory, std::string_view name) {
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        if (probe::ClassOf(tweak->GetID().View()) == name) return tweak;
    }
    ADD_FAILURE() << "no tweak of class " << name;
    return nullptr;
}

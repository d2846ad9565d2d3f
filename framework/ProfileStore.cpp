#include "framework/ProfileStore.h"

#include "framework/Application.h"

namespace framework {

namespace {

// The application's settings file, or none before there is one.
const platform::ProfileFile* CurrentProfile() {
    const Application* app = AfxGetApp();
    return app ? app->Profile() : nullptr;
}

}  // namespace

ProfileStore::~ProfileStore() = default;

int ProfileStore::getInt(const std::string& key, int def) {
    const platform::ProfileFile* profile = CurrentProfile();
    return profile ? profile->GetProfileInt(section, key, def) : def;
}

std::string ProfileStore::getString(const std::string& key, const std::string& def) {
    const platform::ProfileFile* profile = CurrentProfile();
    return profile ? profile->GetProfileString(section, key, def) : def;
}

bool ProfileStore::getBool(const std::string& key, bool def) {
    const platform::ProfileFile* profile = CurrentProfile();
    return profile ? profile->GetProfileInt(section, key, def ? 1 : 0) != 0 : def;
}

bool ProfileStore::writeInt(const std::string& key, int value) {
    const platform::ProfileFile* profile = CurrentProfile();
    return profile && profile->WriteProfileInt(section, key, value);
}

bool ProfileStore::writeString(const std::string& key, const std::string& value) {
    const platform::ProfileFile* profile = CurrentProfile();
    return profile && profile->WriteProfileString(section, key, value);
}

bool ProfileStore::writeBool(const std::string& key, bool value) {
    const platform::ProfileFile* profile = CurrentProfile();
    return profile && profile->WriteProfileInt(section, key, value ? 1 : 0);
}

}  // namespace framework

#pragma once
// Typed access to one section of the application's settings file. A store
// holds no handle and no cache: every call goes straight to the file, so
// stores are cheap locals. Before the application has set its settings file,
// reads give the default and writes fail.

#include <string>

namespace framework {

class ProfileStore {
public:
    std::string section;  // empty until the user sets it

    ProfileStore() = default;
    virtual ~ProfileStore();

    virtual int getInt(const std::string& key, int def);
    virtual std::string getString(const std::string& key, const std::string& def);
    virtual bool getBool(const std::string& key, bool def);  // stored as 1 or 0
    virtual bool writeInt(const std::string& key, int value);
    virtual bool writeString(const std::string& key, const std::string& value);
    virtual bool writeBool(const std::string& key, bool value);
};

}  // namespace framework

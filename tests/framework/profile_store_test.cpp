#include "framework/ProfileStore.h"

#include "framework/Application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using framework::ProfileStore;

class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-store-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/tesserin.ini";
        app = std::make_unique<framework::Application>(framework::GetFrameworkTexts());
        app->SetProfileName(path);
    }
    void TearDown() override {
        app.reset();
        fs::remove_all(dir);
    }
    void Put(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
    std::string Contents() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string dir;
    std::string path;
    std::unique_ptr<framework::Application> app;  // holds the settings file
};

ProfileStore Settings() {
    ProfileStore store;
    store.section = "Settings";
    return store;
}

TEST_F(ProfileStoreTest, AbsentKeysGiveTheDefaults) {
    ProfileStore store = Settings();
    EXPECT_EQ(store.getInt("left", 200), 200);
    EXPECT_EQ(store.getString("Image", ""), "");
    EXPECT_EQ(store.getString("Image", "/default.png"), "/default.png");
    EXPECT_TRUE(store.getBool("flag", true));
    EXPECT_FALSE(store.getBool("flag", false));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(ProfileStoreTest, BoolsAreStoredAsOneAndZero) {
    Put("[Settings]\nzero=0\nseven=7\nminus=-1\nword=yes\n");
    ProfileStore store = Settings();
    EXPECT_FALSE(store.getBool("zero", true));
    EXPECT_TRUE(store.getBool("seven", false));
    EXPECT_TRUE(store.getBool("minus", false));
    // No number: the default decides.
    EXPECT_TRUE(store.getBool("word", true));
    EXPECT_FALSE(store.getBool("word", false));

    ASSERT_TRUE(store.writeBool("on", true));
    ASSERT_TRUE(store.writeBool("off", false));
    EXPECT_EQ(store.getInt("on", -1), 1);
    EXPECT_EQ(store.getInt("off", -1), 0);
    EXPECT_FALSE(store.getBool("off", true));
}

TEST_F(ProfileStoreTest, WritesAreSeenAtOnceByAnyOtherStore) {
    ProfileStore writer = Settings();
    ASSERT_TRUE(writer.writeInt("left", 50));
    ASSERT_TRUE(writer.writeInt("top", -60));
    ASSERT_TRUE(writer.writeString("Image", "/home/ユーザー/絵.png"));

    ProfileStore reader = Settings();
    EXPECT_EQ(reader.getInt("left", 0), 50);
    EXPECT_EQ(reader.getInt("top", 0), -60);
    EXPECT_EQ(reader.getString("Image", ""), "/home/ユーザー/絵.png");
    EXPECT_EQ(reader.getInt("LEFT", 0), 50);

    // Another section does not see them.
    ProfileStore other;
    other.section = "Other";
    EXPECT_EQ(other.getInt("left", 1), 1);
    ASSERT_TRUE(other.writeString("Image", "x"));
    EXPECT_EQ(reader.getString("Image", ""), "/home/ユーザー/絵.png");
    EXPECT_EQ(Contents(), "[Settings]\nleft=50\ntop=-60\nImage=/home/ユーザー/絵.png\n\n\n[Other]\nImage=x\n");
}

TEST_F(ProfileStoreTest, WithoutASettingsFileReadsGiveDefaultsAndWritesFail) {
    ProfileStore store = Settings();
    for (bool withApplication : {true, false}) {
        SCOPED_TRACE(withApplication);
        if (withApplication)
            app->SetProfileName("");
        else
            app.reset();
        EXPECT_EQ(store.getInt("left", 200), 200);
        EXPECT_EQ(store.getString("Image", "d"), "d");
        EXPECT_TRUE(store.getBool("b", true));
        EXPECT_FALSE(store.writeInt("left", 1));
        EXPECT_FALSE(store.writeString("Image", "x"));
        EXPECT_FALSE(store.writeBool("b", false));
        EXPECT_FALSE(fs::exists(path));
    }
}

TEST_F(ProfileStoreTest, FollowsTheCurrentSettingsFile) {
    ProfileStore store = Settings();
    ASSERT_TRUE(store.writeInt("left", 1));
    const std::string second = dir + "/second.ini";
    app->SetProfileName(second);
    EXPECT_EQ(store.getInt("left", 9), 9);
    ASSERT_TRUE(store.writeInt("left", 2));
    app->SetProfileName(path);
    EXPECT_EQ(store.getInt("left", 9), 1);
}

TEST_F(ProfileStoreTest, AGarbledFileGivesDefaultsAndHealsOnWrite) {
    Put(std::string("\x00\x01\x02garbage\xFF", 11));
    ProfileStore store = Settings();
    EXPECT_EQ(store.getInt("width", 300), 300);
    ASSERT_TRUE(store.writeInt("width", 640));
    EXPECT_EQ(store.getInt("width", 300), 640);
}

}  // namespace

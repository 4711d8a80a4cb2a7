#include "settings/SettingsForm.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

constexpr const char* kRange1 = "Please enter an integer between 1 and 4294967294.";
constexpr const char* kRange0 = "Please enter an integer between 0 and 4294967294.";
constexpr const char* kNumber = "Please enter a positive integer.";

struct Reading {
    Setting field;
    const char* text;
    const char* message;  // empty: accepted
    std::uint32_t value;
};

TEST(SettingsForm, NumberFieldsReadAsTheirPageDemands)
{
    const Reading table[] = {
        {Setting::SendTimeout, "0", kRange1, 0},
        {Setting::SendTimeout, "1", "", 1},
        {Setting::RecvTimeout, "4294967294", "", 4294967294u},
        {Setting::RecvTimeout, "4294967295", kRange1, 0},
        {Setting::RecvTimeout, "99999999999999999999999", kRange1, 0},
        {Setting::RecvTimeout, "12s", kNumber, 0},
        {Setting::RecvTimeout, " 45 ", "", 45},
        {Setting::RetryCount, "0", "", 0},
        {Setting::RetryCount, "ten", kNumber, 0},
        {Setting::RetryDelay, "-1", kNumber, 0},
        {Setting::RetryDelay, "", kNumber, 0},
        // No range check, yet the unset marker never comes from the keyboard.
        {Setting::RetryDelay, "4294967295", kNumber, 0},
        {Setting::KeepAliveIntervalBegin, "0", "", 0},
        {Setting::KeepAliveDuration, "4294967295", kRange0, 0},
        {Setting::SendBuffer, "0", kRange1, 0},
        {Setting::RecvBuffer, "65536", "", 65536},
    };
    for (const Reading& r : table) {
        std::uint32_t value = 0;
        auto problem = SettingsForm::readNumber(int(r.field), r.text, value);
        EXPECT_EQ(problem ? problem->message : "", r.message) << SettingsRecord::name(r.field) << " '" << r.text << "'";
        if (!problem) {
            EXPECT_EQ(value, r.value) << r.text;
        }
    }
}

TEST(SettingsForm, PagesHoldTheirFieldsInOrder)
{
    auto labels = [](SettingsPage page) {
        std::vector<std::string> out;
        for (int id : SettingsForm::fieldsOn(page))
            out.emplace_back(SettingsForm::field(id).label);
        return out;
    };
    EXPECT_EQ(labels(SettingsPage::General),
              (std::vector<std::string>{"Transfer files immediately by default", "Verify copies with the server's hashes",
                                        "Password for anonymous ftp:"}));
    EXPECT_EQ(labels(SettingsPage::Persistance),
              (std::vector<std::string>{"Send Timeout (secs):", "Receive Timeout (secs):", "Retry Delay (secs):",
                                        "Retry Attempts:"}));
    EXPECT_EQ(labels(SettingsPage::KeepAlive).front(), "Enable Keep Alive");
    EXPECT_EQ(labels(SettingsPage::KeepAlive).size(), 5u);
    EXPECT_EQ(labels(SettingsPage::Advanced),
              (std::vector<std::string>{"Try PASV mode first", "Send Buffer:", "Receive buffer:", "Encryption:",
                                        "Site to site copies:"}));
    EXPECT_EQ(SettingsForm::pageTitle(SettingsPage::Persistance), "Persistance");
}

TEST(SettingsForm, ShowsInheritedValuesAndPinsOnlyWhatDiffers)
{
    SettingsRecord global;
    global.setRetryCount(3);
    global.setKeepAlive(7);  // a stored flag outside 0 .. 2 shows unchecked
    SettingsRecord site(&global);
    SettingsForm form(site);
    EXPECT_EQ(form.text(int(Setting::RetryCount)), "3");
    EXPECT_EQ(form.text(kAnonymousPasswordField), "rover@");
    EXPECT_FALSE(form.checked(int(Setting::KeepAlive)));
    EXPECT_TRUE(form.checked(int(Setting::PasvMode)));

    form.setText(int(Setting::SendTimeout), "5");
    form.setChecked(int(Setting::KeepAlive), false);
    ASSERT_TRUE(form.applyTo(site));
    EXPECT_EQ(site.own(Setting::SendTimeout), 5u);
    EXPECT_EQ(site.own(Setting::KeepAlive), 0u);
    EXPECT_EQ(site.own(Setting::RetryCount), SettingsRecord::kUnset);
    EXPECT_EQ(site.ownAnonymousPassword(), "");
    global.setRetryCount(4);
    EXPECT_EQ(site.retryCount(), 4u);
}

TEST(SettingsForm, EncryptionShowsWhatTheEngineWillDo)
{
    SettingsRecord global;
    global.setEncryption(9);   // not a mode: the engine takes it as 1
    SettingsRecord site(&global);
    SettingsForm form(site);
    const int id = int(Setting::Encryption);
    EXPECT_EQ(SettingsForm::field(id).kind, FieldKind::Choice);
    EXPECT_EQ(SettingsForm::choices(id).size(), 4u);
    EXPECT_EQ(form.text(id), "1");
    form.setText(id, "4");
    EXPECT_TRUE(form.check(SettingsPage::Advanced));
    form.setText(id, "2");
    ASSERT_TRUE(form.applyTo(site));
    EXPECT_EQ(site.encryptionMode(), EncryptionMode::ExplicitRequired);
    EXPECT_EQ(global.encryptionMode(), EncryptionMode::ExplicitWhenOffered);
}

TEST(SettingsForm, AFieldThatDoesNotReadStopsTheWholeForm)
{
    SettingsRecord global;
    SettingsForm form(global);
    form.setText(int(Setting::RecvBuffer), "0");
    form.setText(int(Setting::RetryCount), "x");
    EXPECT_FALSE(form.check(SettingsPage::General));
    EXPECT_EQ(form.check(SettingsPage::Advanced)->id, int(Setting::RecvBuffer));
    EXPECT_EQ(form.checkAll()->id, int(Setting::RetryCount));  // pages in sheet order
    form.setText(int(Setting::SendTimeout), "9");
    EXPECT_FALSE(form.applyTo(global));
    EXPECT_EQ(global.sendTimeout(), 60u);
}

} // namespace
} // namespace varnix

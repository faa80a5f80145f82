#include "app/operator_login.h"

#include <array>
#include <string_view>

#include "framework/host.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

// No name, or a name still holding the start text (typed into it instead of over it): that
// would go into the service record and the sensor's stamps as the operator.
bool NoName(const std::string& name) {
    if (name.find_first_not_of(' ') == std::string::npos) return true;
    return name.find(kNoNameText) != std::string::npos;
}

void Refuse(fw::Host& host, std::string text, std::string caption, std::function<void()> done) {
    host.PlayBeep(fw::Beep::Exclamation);
    host.PostBox({std::move(text), std::move(caption), fw::Icon::Stop, fw::Buttons::Ok},
                 [done = std::move(done)](fw::Answer) {
                     if (done) done();
                 });
}

struct Grant {
    int level;
    std::string_view text;
};

}  // namespace

void SetDefaultPasswords(SharedRecords& r) {
    r.ConfigurePassword = kDefaultConfigurePassword;
    r.CalibratePassword = kDefaultCalibratePassword;
    r.InstallPassword = kDefaultInstallPassword;
}

void CheckName(SharedRecords& r, fw::Host& host, std::function<void()> done) {
    if (NoName(r.OperatorName)) {
        r.AccessLevel = 0;
        Refuse(host, "You Must Enter a Username", "Error In Username", std::move(done));
        return;
    }
    if (r.AccessLevel == 0) {
        r.AccessLevel = 1;
    }
    if (done) done();
}

void CheckPassword(SharedRecords& r, fw::Host& host, std::function<void()> done) {
    if (NoName(r.OperatorName)) {
        r.AccessLevel = 0;
        Refuse(host, "You Must Enter a Username", "Error In Username !", std::move(done));
        return;
    }
    // Fixed passwords first, then the user passwords from the highest level down.
    const std::array<std::pair<std::string, Grant>, 7> candidates = {{
        {"K425TRM", {6, "Factory Access Granted"}},
        {"PZN604Q", {5, "Level 3 Access Granted"}},
        {r.InstallPassword, {5, "Level 3 Access Granted"}},
        {"WDL27F", {4, "Level 2 Access Granted"}},
        {r.CalibratePassword, {4, "Level 2 Access Granted"}},
        {"HTQ81C", {3, "Level 1 Access Granted"}},
        {r.ConfigurePassword, {3, "Level 1 Access Granted"}},
    }};
    for (const auto& [password, grant] : candidates) {
        if (!password.empty() && r.OperatorPassword == password) {
            r.AccessLevel = grant.level;
            host.PlayBeep(fw::Beep::Default);
            host.PostBox({std::string(grant.text), "Valid Password Entered", fw::Icon::Information,
                          fw::Buttons::Ok},
                         [done = std::move(done)](fw::Answer) {
                             if (done) done();
                         });
            return;
        }
    }
    r.AccessLevel = 2;
    Refuse(host,
           r.OperatorPassword.empty() ? "Warning. No Password Entered" : "Invalid Password Entered",
           "Error In Password", std::move(done));
}

}  // namespace corvane

// Windows created as main() creates them, plus a recorder for opened addresses.
#pragma once

#include "app/create_windows.h"
#include "ui/app_windows.h"
#include "widgets/open_url.h"
#include "ui/u_prog.h"

#include <QComboBox>
#include <QStringList>

namespace vantrell::testing {

struct AppFixture {
    explicit AppFixture(const QString &language)
    {
        setUrlOpener([this](const QString &address) {
            opened << address;
            return browserFound;
        });
        windows = createWindows(language);
        prog = appWindows().prog;
    }
    ~AppFixture()
    {
        windows.reset();
        setUrlOpener({});
    }
    template <typename T = QWidget>
    T *find(const char *name) const
    {
        return prog->findChild<T *>(QLatin1String(name));
    }
    QComboBox *combo(const char *name) const { return find<QComboBox>(name); }

    std::unique_ptr<WindowSet> windows;
    Tprog *prog = nullptr;
    QStringList opened;
    bool browserFound = true; // what the recorder answers: false as on a desktop without a browser
};

} // namespace vantrell::testing

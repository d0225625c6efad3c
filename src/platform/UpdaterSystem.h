#pragma once

namespace vo {

// Whether a separate updater program can stand beside the console and replace its files. It
// can on Windows; elsewhere the console is installed by the system's own means, and there is
// no "Updater.exe" to hand over to.
bool updaterCanExist();

// Test seam: for its lifetime, updaterCanExist() answers `canExist`, then the previous answer
// comes back.
class ScopedUpdaterSystem
{
public:
    explicit ScopedUpdaterSystem(bool canExist);
    ~ScopedUpdaterSystem();
    ScopedUpdaterSystem(const ScopedUpdaterSystem &) = delete;
    ScopedUpdaterSystem &operator=(const ScopedUpdaterSystem &) = delete;

private:
    int previous_;
};

} // namespace vo

#include "device/channel/HidlinkLibrary.h"

#include <dlfcn.h>

namespace lumetta {

namespace {

template <class Function>
bool lookUp(void* handle, const char* name, Function& slot, std::string& error) {
    ::dlerror();
    void* symbol = ::dlsym(handle, name);
    if (!symbol) {
        error = std::string("the HID layer lacks the operation ") + name;
        return false;
    }
    slot = reinterpret_cast<Function>(symbol);
    return true;
}

} // namespace

void HidlinkLibrary::Closer::operator()(void* handle) const {
    ::dlclose(handle);
}

HidlinkLibrary HidlinkLibrary::load(const std::filesystem::path& path) {
    HidlinkLibrary library;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* reason = ::dlerror();
        library.error_ =
            "cannot load " + path.string() + (reason ? std::string(": ") + reason : "");
        return library;
    }
    std::unique_ptr<void, Closer> owned(handle);
    HidlinkApi api;
    std::string error;
    if (!lookUp(handle, "HidlinkOpen", api.Open, error) ||
        !lookUp(handle, "HidlinkClose", api.Close, error) ||
        !lookUp(handle, "HidlinkSetFilter", api.SetFilter, error) ||
        !lookUp(handle, "HidlinkSetReadCallback", api.SetReadCallback, error) ||
        !lookUp(handle, "HidlinkWrite", api.Write, error) ||
        !lookUp(handle, "HidlinkGetVersion", api.GetVersion, error)) {
        library.error_ = error + " (" + path.string() + ")";
        return library;
    }
    library.handle_ = std::move(owned);
    library.api_ = api;
    return library;
}

} // namespace lumetta

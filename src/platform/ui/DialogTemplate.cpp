#include "platform/ui/DialogTemplate.h"

#include "platform/ui/Messages.h"

#include <map>
#include <mutex>

namespace lumetta::ui {

namespace {

DialogTemplate emptyTemplate(int id, bool child) {
    DialogTemplate t;
    t.id = id;
    t.size = {317, 184};
    t.child = child;
    return t;
}

// The updater's dialog as a plain window: every text it shows has a holder here, so that it
// still reads sensibly when no skin draws over it.
DialogTemplate updaterTemplate() {
    DialogTemplate t;
    t.id = templates::Updater;
    t.size = {333, 262};
    t.visible = true;
    t.title = "Reflasher";
    using K = ControlKind;
    t.items = {
        {K::Static, updaterItem::Text1, {14, 14, 319, 30}, "", true},
        {K::Static, updaterItem::Text2, {14, 36, 319, 52}, "", true},
        {K::Static, updaterItem::VersionText, {14, 62, 319, 76}, "", true},
        {K::Static, updaterItem::ImageName, {14, 82, 319, 96}, "", true},
        {K::Static, updaterItem::DeviceVersion, {14, 102, 319, 116}, "", true},
        {K::ProgressBar, updaterItem::Progress, {14, 200, 319, 212}, "", true},
        {K::PushButton, updaterItem::Button, {247, 228, 319, 246}, "Update", true},
    };
    for (int id = updaterItem::Progress + 1; id <= updaterItem::LastHolder; ++id) {
        t.items.push_back({K::Static, id, {14, 120, 319, 130}, "", false});
    }
    return t;
}

DialogTemplate resultTemplate() {
    DialogTemplate t;
    t.id = templates::UpdaterResult;
    t.size = {220, 110};
    t.visible = true;
    using K = ControlKind;
    t.items = {
        {K::Static, updaterItem::ResultText, {14, 14, 206, 66}, "", true},
        {K::PushButton, IdOk, {80, 80, 140, 98}, "OK", true},
    };
    return t;
}

struct Registry {
    std::mutex mutex;
    std::map<int, DialogTemplate> templates;

    Registry() {
        for (DialogTemplate t :
             {emptyTemplate(templates::EmptyChild, true),
              emptyTemplate(templates::EmptyPopup, false), updaterTemplate(), resultTemplate()}) {
            templates.emplace(t.id, std::move(t));
        }
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

const DialogTemplate* findDialogTemplate(int id) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.templates.find(id);
    // Entries are never removed, only replaced in place, so the pointer stays valid.
    return it == r.templates.end() ? nullptr : &it->second;
}

void registerDialogTemplate(DialogTemplate dialogTemplate) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.templates[dialogTemplate.id] = std::move(dialogTemplate);
}

} // namespace lumetta::ui

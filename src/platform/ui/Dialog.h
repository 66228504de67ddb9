#pragma once

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Window.h"

#include <memory>
#include <vector>

namespace lumetta::core {
class EventLoop;
}

namespace lumetta::ui {

// A dialog made from a numbered template: a page inside another window (child templates) or a
// top-level window, modeless or modal.
//
// runModal() disables the owner, shows the dialog and runs a nested event loop of its own until
// endDialog(code); the code is the result. A dialog destroyed while its loop runs (its window,
// or the object itself) ends the loop with -1, and the owner is enabled again either way. A top-
// level dialog handles Enter (its default command, IdOk, or a click of the focused push button),
// Escape (IdCancel) and Tab (the next control that takes the focus); IdOk and IdCancel end it.
class Dialog : public Window {
public:
    explicit Dialog(int templateId = templates::EmptyPopup);
    ~Dialog() override;

    int templateId() const { return templateId_; }
    void setTemplateId(int id) { templateId_ = id; }

    // Modeless: a child of parent for a child template, else a top-level window owned by parent
    // (centred on it). Shown when the template says so.
    bool create(Window* parent);
    bool create(int templateId, Window* parent);

    int runModal(Window* owner = nullptr);
    // Modal: ends the loop with code once the message in hand is handled. Modeless: hides.
    void endDialog(int code);
    bool isRunningModal() const { return loop_ != nullptr; }

    // The controls made from the template (and any added with adopt()).
    Window* item(int id) const;
    template <class T> T* itemAs(int id) const { return dynamic_cast<T*>(item(id)); }
    std::string itemText(int id) const;
    void setItemText(int id, const std::string& text);
    // Keeps a control made at run time for the dialog's life.
    Window& adopt(std::unique_ptr<Window> control);

protected:
    // The template's controls exist; the dialog is not shown yet.
    virtual bool onInitDialog() { return true; }
    virtual void onOk() { endDialog(IdOk); }
    virtual void onCancel() { endDialog(IdCancel); }

    LResult windowProc(MessageId id, WParam wParam, LParam lParam) override;
    void onCommand(int id, int code, WindowHandle control) override;
    void onClose() override { onCancel(); }
    void onDestroy() override;
    bool preTranslateMessage(Window& target, MessageId id, WParam wParam, LParam lParam) override;

private:
    bool createFrom(const DialogTemplate& dialogTemplate, Window* parent, bool topLevel);
    void createItems(const DialogTemplate& dialogTemplate);
    void focusFirstControl();
    void moveFocus(bool backwards);

    int templateId_;
    std::vector<std::unique_ptr<Window>> items_;
    core::EventLoop* loop_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    int result_ = -1;
    bool ended_ = false;
};

} // namespace lumetta::ui

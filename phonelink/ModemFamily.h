#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "phonelink/ModemItem.h"
#include "phonelink/USBCtrls.h"

namespace vestrel::phonelink {

// The frame the three families share: a device list that keeps one item per present device of
// the family, and the mode component that owns the list and tells its owner about arrivals and
// removals.

// What a family states, every member of it: there are no defaults, so a misspelt member is a
// compile error rather than a silently different family.
template <class F>
concept ModemFamily = requires(typename F::Item& item, const typename F::ModeSettings& settings) {
  requires std::constructible_from<typename F::Item, const PhoneLinkContext&, const TUSBDevice&>;
  requires std::default_initializable<typename F::ModeSettings>;
  { F::kInterfaceClass } -> std::convertible_to<std::string_view>;  // device-interface class
  { F::kNameFilter } -> std::convertible_to<std::string_view>;      // in the description
  { F::kAbout } -> std::convertible_to<std::string_view>;
  { F::PrepareNewItem(item, settings) } -> std::same_as<void>;  // before OnArrival
};

template <ModemFamily Family>
class TMotoMode;

template <ModemFamily Family>
class TMotoModemList {
 public:
  using Item = typename Family::Item;
  using ItemPtr = std::shared_ptr<Item>;

  explicit TMotoModemList(TMotoMode<Family>& owner) : owner_(owner) {}
  TMotoModemList(const TMotoModemList&) = delete;
  TMotoModemList& operator=(const TMotoModemList&) = delete;

  TMotoMode<Family>& Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // The item at `index`, or null outside 0..Count-1.
  ItemPtr Items(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<std::size_t>(index)];
  }

  ItemPtr FindItem(std::uint32_t deviceInstance) const {
    for (const auto& item : items_) {
      if (item->ModemInfo().DevInst == deviceInstance) return item;
    }
    return nullptr;
  }

  // A new item for the device; null when one for its device instance exists or creation failed.
  ItemPtr AddItem(const TUSBDevice& device) {
    if (FindItem(device.DevInst)) return nullptr;
    try {
      auto item = std::make_shared<Item>(owner_.Context(), device);
      items_.push_back(item);
      return item;
    } catch (...) {
      return nullptr;
    }
  }

  // Drops the item from the list; it is freed (closing its device) once no operation holds it.
  void DeleteItem(int index) {
    if (index < 0 || index >= Count()) return;
    try {
      items_.erase(items_.begin() + index);
    } catch (...) {
    }
  }

  // Brings the items in step with the present devices: removals first, then arrivals in
  // enumeration order. A nested call (from an event handler) returns at once.
  void Refresh() {
    if (busy_) return;
    busy_ = true;
    struct ClearBusy {
      bool& busy;
      ~ClearBusy() { busy = false; }
    } clearBusy{busy_};

    TUSBDevices devices;
    EnumUSBDevices(owner_.Context().bus, Family::kInterfaceClass, Family::kNameFilter, devices);
    RemoveGone(devices);
    for (const auto& device : devices) {
      try {
        auto item = AddItem(device);
        if (!item) continue;
        Family::PrepareNewItem(*item, owner_.Settings());
        if (owner_.OnArrival()) owner_.OnArrival()(item);
      } catch (...) {
        // One device's failure does not stop the others.
      }
    }
  }

 private:
  void RemoveGone(const TUSBDevices& devices) {
    std::size_t i = 0;
    while (i < items_.size()) {
      const std::uint32_t instance = items_[i]->ModemInfo().DevInst;
      bool present = false;
      for (const auto& device : devices) present = present || device.DevInst == instance;
      if (present) {
        ++i;
        continue;
      }
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
      try {
        if (owner_.OnRemove()) owner_.OnRemove()(*this);
      } catch (...) {
      }
    }
  }

  TMotoMode<Family>& owner_;
  std::vector<ItemPtr> items_;
  bool busy_ = false;
};

template <ModemFamily Family>
class TMotoMode {
 public:
  using Item = typename Family::Item;
  using List = TMotoModemList<Family>;
  using ArrivalEvent = std::function<void(const std::shared_ptr<Item>& AItem)>;
  using RemoveEvent = std::function<void(List& Sender)>;
  using DebugEvent = TModemDebugEvent<Item>;

  // Creates the device list (which enumerates at once, before any handler is set) and registers
  // for the family's device-change notices. Which of the two comes first makes no difference:
  // notices wait in the bus until the host's loop delivers them.
  explicit TMotoMode(PhoneLinkContext context) : context_(context) {
    list_ = std::make_unique<List>(*this);
    list_->Refresh();
    notices_ =
        RegisterUSBNotification(context_.bus, Family::kInterfaceClass, [this] { DeviceChanged(); });
  }

  ~TMotoMode() {
    list_.reset();
    notices_.reset();
  }

  TMotoMode(const TMotoMode&) = delete;
  TMotoMode& operator=(const TMotoMode&) = delete;

  const std::string& About() const { return about_; }
  List& DeviceList() const { return *list_; }
  const PhoneLinkContext& Context() const { return context_; }
  const typename Family::ModeSettings& Settings() const { return settings_; }

  const ArrivalEvent& OnArrival() const { return onArrival_; }
  void SetOnArrival(ArrivalEvent handler) { onArrival_ = std::move(handler); }
  const RemoveEvent& OnRemove() const { return onRemove_; }
  void SetOnRemove(RemoveEvent handler) { onRemove_ = std::move(handler); }
  const DebugEvent& OnDebug() const { return onDebug_; }
  // Stores the handler and hands it to every item that has none of its own.
  void SetOnDebug(DebugEvent handler) {
    onDebug_ = std::move(handler);
    PassOnDebug();
  }

 protected:
  typename Family::ModeSettings settings_;

 private:
  void DeviceChanged() {
    try {
      list_->Refresh();
      PassOnDebug();
    } catch (...) {
      // A failed refresh leaves the list as it was; the next notice tries again.
    }
  }

  void PassOnDebug() {
    if (!onDebug_) return;
    for (int i = 0; i < list_->Count(); ++i) {
      auto item = list_->Items(i);
      if (!item->OnDebugEvent()) item->SetOnDebugEvent(onDebug_);
    }
  }

  PhoneLinkContext context_;
  std::string about_{Family::kAbout};
  ArrivalEvent onArrival_;
  RemoveEvent onRemove_;
  DebugEvent onDebug_;
  std::unique_ptr<List> list_;
  std::unique_ptr<platform::NoticeSubscription> notices_;
};

}  // namespace vestrel::phonelink

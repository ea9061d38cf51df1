#pragma once

#include <QObject>
#include <QTimer>

namespace vestrel::desktop {

// When a window's polling pass runs: only when something can have changed, never on a beat of
// its own. The window's 1 ms timer (its Timer1) is the trigger: Request() starts it, so the pass
// runs on the loop's next turn, and the window's pass stops it again through Begin(). A pass
// that leaves something to try again (a listed phone that would not open) ends with
// End(true): the schedule then asks for a pass about once a second until a pass ends with
// End(false). With nothing due, no timer of the schedule runs.
//
// The window calls it on its UI thread: Request() for a device notice, after its own actions
// and when it is shown; Begin() and End() around every pass, also one run by hand. A request
// between Begin() and End() is left to that pass, since the pass delivers the notices first.
// The trigger belongs to the window and outlives the schedule.
class PassSchedule final : public QObject {
 public:
  static constexpr int kRetryMs = 1000;

  PassSchedule(QTimer& trigger, QObject* parent);

  void Request();
  void Begin();
  void End(bool again);

  // A pass is due on the loop's next turn.
  bool Due() const { return trigger_.isActive(); }
  // A pass is asked for when the retry timer runs out.
  bool RetryWaiting() const { return retry_.isActive(); }
  int RetryInterval() const { return retry_.interval(); }
  // What the retry timer does when it runs out.
  void RetryTimerTimer() { Request(); }

 private:
  QTimer& trigger_;
  QTimer retry_;
  bool passing_ = false;
};

}  // namespace vestrel::desktop

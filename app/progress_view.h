// What the run shows a person while it works: the caption of the label
// `Information` and the progress bar of the form `TAV_C1`. Each front end
// (terminal status line, native window) implements it.
#pragma once

#include <string>

namespace vaxo {

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  /// The form is loaded and shown (not modal); `min`, `max`, `value` set up.
  virtual void Show(float min, float max, float value) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetValue(float value) = 0;
  /// The process is about to end; a terminal line is finished here.
  virtual void Close() {}
  /// The run stopped and a person is there (the path-settings form was
  /// shown): tells them why and waits until they have read it. The
  /// terminal has standard error for that and does nothing here.
  virtual void ShowStopped(const std::string& message) { (void)message; }
  /// True once the person asked to close the form; the run then ends after
  /// the file it is writing (a window front end notes the request only).
  virtual bool CloseRequested() const { return false; }
};

/// The front end of this build; the terminal one unless another was set.
ProgressView* CurrentProgressView();
void SetProgressView(ProgressView* view);

}  // namespace vaxo

// The progress form of the Linux program: one status line on standard error,
// redrawn in place, and only while standard error is a terminal.
#include "app/progress_view.h"
#include "platform/env.h"

namespace vaxo {

namespace {

class ConsoleProgress : public ProgressView {
 public:
  void Show(float min, float max, float value) override {
    min_ = min;
    max_ = max;
    value_ = value;
    Draw();
  }
  void SetCaption(const std::string& caption) override {
    caption_ = caption;
    Draw();
  }
  void SetValue(float value) override {
    value_ = value;
    Draw();
  }
  void Close() override {
    if (drawn_) Env::Default()->WriteStd(2, "\r\x1b[K");
    drawn_ = false;
  }

 private:
  void Draw() {
    Env* env = Env::Default();
    if (!env->IsTerminal(2)) return;
    // The bar shows activity, not a share of the work: one lit cell moves.
    std::string bar;
    for (float v = min_; v <= max_; v += 1) bar += (v == value_) ? '#' : '.';
    env->WriteStd(2, "\r\x1b[KUpgrade Vaxo [" + bar + "] " + caption_);
    drawn_ = true;
  }

  float min_ = 0, max_ = 0, value_ = 0;
  std::string caption_;
  bool drawn_ = false;
};

ProgressView* g_view = nullptr;

}  // namespace

ProgressView* CurrentProgressView() {
  static ConsoleProgress* console = new ConsoleProgress();
  return g_view ? g_view : console;
}

void SetProgressView(ProgressView* view) { g_view = view; }

}  // namespace vaxo

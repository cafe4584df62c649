#pragma once

namespace vd::app {

class TVelodrop1;

/// Marks the main window busy for one server operation. Handlers that would
/// start another operation meanwhile are deferred until the outermost one
/// ends.
class TBusy final {
  public:
    explicit TBusy(TVelodrop1& Window);
    ~TBusy();
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

  private:
    TVelodrop1& FWindow;
    bool FOuter;  // another TBusy was active already
};

}  // namespace vd::app

// What the Internet actions share: the port, the FTP connection kept for "Cache", and the
// context an action runs in.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/session.h"
#include "platform/internet_port.h"

namespace plumo {

struct InternetFamily {
  std::shared_ptr<InternetPort> port;
  // The FTP connection a Step with "Cache" left open, and whom it was opened for.
  std::unique_ptr<FtpConnection> ftp;
  std::string ftpKey;
};

struct InternetContext {
  Session& session;
  InternetFamily& family;
  int slot;
  int index;
  Step& step;

  std::string Expand(std::string_view field) { return session.ExpandStep(field, slot, index); }
  // value2 as stored (every character but LF raised by 3), lowered and expanded.
  std::string Password();
  bool Store(std::string_view value) { return session.StoreOutput(slot, index, value, value.size()); }
  // The expanded path when the Step's result goes to a file.
  std::optional<std::string> OutputFile();
  // Writes data as the file's whole new content; false with the error text set.
  bool WriteOutputFile(const std::string& path, std::string_view data, const char* failure);
  void Log(std::string_view line);
  bool Stopped() { return session.StopRequested(); }
};

// The Step's password field lowered by 3 (LF kept), as the stored Scripts hold it raised.
std::string LowerStoredPassword(std::string_view stored);

// The actions, by family part.
int GetWebPageText(InternetContext& c);
int DownloadAction(InternetContext& c);
int HttpPostAction(InternetContext& c);
int ExtractWebTagAction(InternetContext& c);
std::optional<bool> InternetCondition(InternetContext& c);
int FtpAction(InternetContext& c);
int SendSmtpAction(InternetContext& c);
int CheckPop3Action(InternetContext& c);
int DeletePop3Action(InternetContext& c);
int PingAction(InternetContext& c);

}  // namespace plumo

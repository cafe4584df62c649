// Uploads one file with our FTP client, the whole session from connect to
// QUIT, for the comparison with curl in upload_vs_curl.sh.
//   ftp_upload_bench HOST PORT USER PASSWORD LOCAL_FILE REMOTE_NAME
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "TIdFTP.h"

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD LOCAL_FILE REMOTE_NAME\n", argv[0]);
    return 2;
  }
  try {
    vd::ftp::TIdFTP ftp;
    ftp.SetHost(argv[1]);
    ftp.SetPort(static_cast<uint16_t>(std::atoi(argv[2])));
    ftp.SetUsername(argv[3]);
    ftp.SetPassword(argv[4]);
    ftp.Connect();
    ftp.Put(argv[5], argv[6]);
    ftp.Disconnect();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "FTP: %s\n", e.what());
    return 1;
  }
  return 0;
}

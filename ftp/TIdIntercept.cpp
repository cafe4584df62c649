#include "TIdIntercept.h"

namespace vd::ftp {

void TIdConnectionIntercept::Connect(TIdIOHandler* connection) {
    FConnection = connection;
    if (OnConnect) OnConnect(*this);
    if (FIntercept) FIntercept->Connect(connection);
}

void TIdConnectionIntercept::Disconnect() {
    if (FIntercept) FIntercept->Disconnect();
    if (OnDisconnect) OnDisconnect(*this);
    FConnection = nullptr;
}

void TIdConnectionIntercept::Receive(std::string& bytes) {
    if (FIntercept) FIntercept->Receive(bytes);
    if (OnReceive) OnReceive(*this, bytes);
}

void TIdConnectionIntercept::Send(std::string& bytes) {
    if (OnSend) OnSend(*this, bytes);
    if (FIntercept) FIntercept->Send(bytes);
}

}  // namespace vd::ftp

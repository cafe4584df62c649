// Helpers shared by the FTP tests.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "EIdException.h"

namespace vd::ftp::test {

// The read timeout of tests that expect their replies: generous, so a busy
// machine does not fail them. Tests of the timeout itself use 300 ms.
constexpr int kReplyWaitMs = 5000;

// The most derived error class of the error the call throws (or "" when it
// throws nothing), and its message.
struct TOutcome {
    std::string Class;
    std::string Message;
};

inline TOutcome Classify(const std::function<void()>& call) {
    try {
        call();
    } catch (const EIdFTPServiceNotAvailable& e) {
        return {"EIdFTPServiceNotAvailable", e.what()};
    } catch (const EIdReplyRFCError& e) {
        return {"EIdReplyRFCError", e.what()};
    } catch (const EIdSocketError& e) {
        return {"EIdSocketError", e.what()};
    } catch (const EIdReadTimeout& e) {
        return {"EIdReadTimeout", e.what()};
    } catch (const EIdConnClosedGracefully& e) {
        return {"EIdConnClosedGracefully", e.what()};
    } catch (const EIdReadLnMaxLineLengthExceeded& e) {
        return {"EIdReadLnMaxLineLengthExceeded", e.what()};
    } catch (const EIdMaxReplySizeExceeded& e) {
        return {"EIdMaxReplySizeExceeded", e.what()};
    } catch (const EIdCommandHasControlChars& e) {
        return {"EIdCommandHasControlChars", e.what()};
    } catch (const EIdNotConnected& e) {
        return {"EIdNotConnected", e.what()};
    } catch (const EIdAlreadyConnected& e) {
        return {"EIdAlreadyConnected", e.what()};
    } catch (const EIdHostRequired& e) {
        return {"EIdHostRequired", e.what()};
    } catch (const EIdPortRequired& e) {
        return {"EIdPortRequired", e.what()};
    } catch (const EIdTLSClientTLSNegCmdFailed& e) {
        return {"EIdTLSClientTLSNegCmdFailed", e.what()};
    } catch (const EIdTLSClientTLSHandShakeFailed& e) {
        return {"EIdTLSClientTLSHandShakeFailed", e.what()};
    } catch (const EIdTLSClientTLSNotAvailable& e) {
        return {"EIdTLSClientTLSNotAvailable", e.what()};
    } catch (const EIdTLSClientCanNotSetWhileConnected& e) {
        return {"EIdTLSClientCanNotSetWhileConnected", e.what()};
    } catch (const EIdTLSClientSSLIOHandlerRequred& e) {
        return {"EIdTLSClientSSLIOHandlerRequred", e.what()};
    } catch (const EIdInterceptAlreadyAssigned& e) {
        return {"EIdInterceptAlreadyAssigned", e.what()};
    } catch (const EIdFTPUploadFileNameCanNotBeEmpty& e) {
        return {"EIdFTPUploadFileNameCanNotBeEmpty", e.what()};
    } catch (const EIdFTPDownloadTooLarge& e) {
        return {"EIdFTPDownloadTooLarge", e.what()};
    } catch (const EIdFTPOtpSequenceTooLarge& e) {
        return {"EIdFTPOtpSequenceTooLarge", e.what()};
    } catch (const EIdFTPBadPassiveReply& e) {
        return {"EIdFTPBadPassiveReply", e.what()};
    } catch (const EConvertError& e) {
        return {"EConvertError", e.what()};
    } catch (const EFOpenError& e) {
        return {"EFOpenError", e.what()};
    } catch (const EFCreateError& e) {
        return {"EFCreateError", e.what()};
    } catch (const EIdException& e) {
        return {"EIdException", e.what()};
    } catch (const std::exception& e) {
        return {"std::exception", e.what()};
    }
    return {};
}

}  // namespace vd::ftp::test

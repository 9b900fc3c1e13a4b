#pragma once

#include <QNetworkReply>

namespace ReplyErrors {
// Whether a finished reply's error means the request did not complete, as opposed to an HTTP
// answer whose status Qt also reports as an error (404, 500, ...). Header-only: the update
// session answers it without loading the network library.
inline bool isTransportFailure(int error, bool hasHttpStatus)
{
    if (error == QNetworkReply::NoError) return false;
    if (!hasHttpStatus) return true;
    // The errors Qt derives from an HTTP status: the server did answer. No proxy is in use, so
    // a 407 is the server's own answer too.
    const bool fromStatus = (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError &&
                             error != QNetworkReply::ContentReSendError) ||
                            error == QNetworkReply::ProtocolInvalidOperationError ||
                            error == QNetworkReply::ProxyAuthenticationRequiredError ||
                            (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return !fromStatus;
}
}  // namespace ReplyErrors

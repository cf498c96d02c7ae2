#pragma once

#include <QString>

#include <exception>

// The text a screen shows when saving a channel to the quick bar failed:
// "not_found" and "bad_request" from the server have their own, everything
// else (other codes, transport, status, decoding) reads "Could not save channel".
QString savedChannelFailureText(std::exception_ptr failure);

#pragma once
// The URL of a camera's web page, as Copy URL, Open In Browser and the clipboard mode
// hand it on. Host and path come from the network (the camera's TXT record), so a
// control character in them is percent-encoded: a URL never carries a line break or
// another control character to the clipboard, a browser or a calling script.

#include <cstdint>
#include <string>
#include <string_view>

namespace views {

// "http://host:port" followed by path, or "http://host" and path when port is 0; port
// 80 is written like any other. A path that does not begin with "/" (the empty one too)
// gets one, so that nothing in it can change the host ("@evil.example/"); characters
// that would end or change the host part are encoded in host (EncodeHostDelimiters),
// control characters everywhere (EncodeControlCharacters).
std::string CameraURL(std::string_view host, uint32_t port, std::string_view path);

// host with "@", "/", "\", "?", "#", ":", "%" and blanks written as "%XX": a host name
// from the network stays one host name (an unusable one at worst).
std::string EncodeHostDelimiters(std::string_view host);

// text with every byte 0x00 to 0x1F and 0x7F written as "%XX" (upper-case hex); all
// other bytes, "%" included, as they are.
std::string EncodeControlCharacters(std::string_view text);

}  // namespace views

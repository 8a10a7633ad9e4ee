#pragma once
// Texts of the password prompt and of stored credentials, by their string-table numbers.
// Each "%s" takes a narrow text.

namespace credential_strings {

inline constexpr unsigned kCameraPromptId = 152;
inline constexpr const char* kCameraPrompt = "Please enter the username and password for camera \"%s\".";
inline constexpr unsigned kCameraCaptionId = 153;
inline constexpr const char* kCameraCaption = "Authentication for \"%s\"";
inline constexpr unsigned kLoginFailedId = 154;
inline constexpr const char* kLoginFailed =
    "Login failed for user \"%s\".\n\nPlease enter a valid username and password or click \"Cancel\" to cancel "
    "the login.";
inline constexpr unsigned kDefaultCaptionId = 160;
inline constexpr const char* kDefaultCaption = "Default Password for Camera Access";
inline constexpr unsigned kDefaultPromptId = 161;
inline constexpr const char* kDefaultPrompt =
    "Please enter a default username and password.\n\nWhenever a camera requests authentication information, "
    "the application will first try to use these default values.\nIf they don't match an existing user name and "
    "password in the camera, you will be asked to supply a username and password.";

// Password dialog: balloon on the password field when the typed credentials fail.
inline constexpr const char* kBalloonTitle = "Invalid username or password";
inline constexpr const char* kBalloonText =
    "Please provide a valid username and password or click \"Cancel\" to abort.";

}  // namespace credential_strings

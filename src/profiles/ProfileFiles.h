#pragma once

#include "lighting/model/ProfileRecord.h"
#include "lighting/model/ProfileStore.h"

#include <filesystem>
#include <string_view>

namespace lumetta {

// The base folder below the application-data folder, and the three folders created beside the
// profiles for other programs of the family.
inline constexpr std::string_view PROFILE_BASE_RELATIVE = "/Wrenfield/Lumetta/";
inline constexpr std::string_view PROFILE_SIDE_FOLDERS[] = {"Macros/", "Profiles/", "MousePads/"};

// appData + relative, after making sure that every folder level of relative exists (relative
// starts and ends with "/"). Creation failures are not reported here: the files below simply
// cannot be written then. Empty when appData is empty.
std::filesystem::path ensureAppFolder(const std::filesystem::path& appData,
                                      std::string_view relative);

// At start-up: the base folder below $XDG_CONFIG_HOME (or ~/.config) with its three side
// folders ensured. Empty when no configuration folder is known; every pass below then does
// nothing.
std::filesystem::path ensureProfileFolders();
std::filesystem::path ensureProfileFolders(const std::filesystem::path& appData);

// "Profile<i>.Prf" and "config.ini" in the base folder.
std::filesystem::path profileFilePath(const std::filesystem::path& base, int index);
std::filesystem::path configFilePath(const std::filesystem::path& base);

// The five values of one profile file. Reading leaves every part of the record whose value is
// missing or unreadable at what it held, except the name (empty when missing) and the effect
// (CUSTOMIZE when missing, in both effect fields). A name longer than 259 characters is cut
// there. Writing keeps every other key of an existing file.
void readProfileFile(const std::filesystem::path& path, ProfileRecord& record);
bool writeProfileFile(const std::filesystem::path& path, const ProfileRecord& record);

// PROFILE_NAME_PIC of profile file index, to and from pictureName[index].
void readProfilePicture(const std::filesystem::path& base, int index, ProfileStore& store);
bool writeProfilePicture(const std::filesystem::path& base, int index, const ProfileStore& store);

// Only PROFILE_NAME, for renaming.
bool writeProfileName(const std::filesystem::path& path, std::u16string_view name);

// "config.ini" and the six profile files. Saving writes each file once, durably; it returns
// false when any file could not be written (the others are written all the same).
void loadProfileStore(const std::filesystem::path& base, ProfileStore& store);
bool saveProfileStore(const std::filesystem::path& base, const ProfileStore& store);

} // namespace lumetta

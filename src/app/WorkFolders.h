// The working folders below the application folder and the marker files beside it.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace solvane {

// Created at start-up when missing, in this order. Names are matched without regard to case, so a
// "DATA" folder made by an older copy is found and used as the Data folder.
inline constexpr std::array<std::string_view, 7> kWorkFolders = {"Data", "kaime", "TCSV", "Log", "CHG", "STAT", "CSV"};

// Creates the application folder itself when missing, then each missing working folder. On failure
// returns false with *message = "作業フォルダを作成できません：" + path + "（" + reason + "）".
bool CreateWorkFolders(const std::filesystem::path& appFolder, std::string* message);

// The working folder of that name as it exists on disk (any case), else appFolder / name.
std::filesystem::path WorkFolder(const std::filesystem::path& appFolder, std::string_view name);

// Marker files, tested only for existence: the developer's test page and the batch-load button.
inline constexpr std::string_view kDeveloperMarker = "OnlyTheDeveloperAvailableFunction.key";
inline constexpr std::string_view kMasterMarker = "Master.key";
bool HasMarkerFile(const std::filesystem::path& appFolder, std::string_view name);

} // namespace solvane

; Inno Setup script for Solvane (Inno Setup 6). Build the programs and gather them first, as described
; in docs/windows.md, so that deploy\ holds Solvane.exe with Qt's DLLs (windeployqt), solvane-cli.exe and
; the 32-bit solvane-jvlink-bridge.exe. Then: ISCC.exe installer\solvane.iss
;
; Solvane keeps its settings, store and logs beside its executable, so it is installed per user into a
; folder the user can write to, not into Program Files.

#define AppName "Solvane"
#define AppVersion "1.0.6"
#define DeployDir "..\deploy"

[Setup]
AppId={{6E0C2B7A-3F1D-4C55-9B7E-5A0D8E1C4F21}
AppName={#AppName}
AppVersion={#AppVersion}
AppPublisher=Solvane
DefaultDirName={localappdata}\{#AppName}
DefaultGroupName={#AppName}
PrivilegesRequired=lowest
DisableProgramGroupPage=yes
OutputDir=..\dist
OutputBaseFilename=solvane-{#AppVersion}-setup
Compression=lzma2
SolidCompression=yes
ArchitecturesAllowed=x64compatible
ArchitecturesInstallIn64BitMode=x64compatible
; The store under Data\ and the logs are the user's: an uninstall leaves them.
UninstallFilesDir={app}\uninstall

[Languages]
Name: "japanese"; MessagesFile: "compiler:Languages\Japanese.isl"

[Files]
Source: "{#DeployDir}\Solvane.exe"; DestDir: "{app}"; Flags: ignoreversion
Source: "{#DeployDir}\solvane-cli.exe"; DestDir: "{app}"; Flags: ignoreversion
Source: "{#DeployDir}\solvane-jvlink-bridge.exe"; DestDir: "{app}"; Flags: ignoreversion
Source: "{#DeployDir}\*.dll"; DestDir: "{app}"; Flags: ignoreversion
Source: "{#DeployDir}\*"; Excludes: "*.exe,*.dll,*.ini,Data\*,Log\*"; DestDir: "{app}"; \
  Flags: ignoreversion recursesubdirs createallsubdirs skipifsourcedoesntexist
Source: "{#DeployDir}\Solvane.pdf"; DestDir: "{app}"; Flags: ignoreversion skipifsourcedoesntexist

[Icons]
Name: "{group}\{#AppName}"; Filename: "{app}\Solvane.exe"; WorkingDir: "{app}"
Name: "{userdesktop}\{#AppName}"; Filename: "{app}\Solvane.exe"; WorkingDir: "{app}"; Tasks: desktopicon

[Tasks]
Name: "desktopicon"; Description: "デスクトップにアイコンを作成する"; Flags: unchecked

[Run]
Filename: "{app}\Solvane.exe"; Description: "Solvane を起動する"; Flags: nowait postinstall skipifsilent

# Cases that cannot run in the Windows build under Wine, each with its cause; the suites run
# every other case, and every scenario.
#  - MinGW-w64's libstdc++ (GCC 12) has no links on Windows: std::filesystem's
#    create_directory_symlink fails with "Function not implemented" without calling
#    CreateSymbolicLinkW (which Wine does implement), and its symlink_status is a plain stat that
#    never reports a link, so the phone folder's link guard cannot see one on Windows either:
#    Folder.ADirectoryLinkInsideTheFolderCarriesNoWriteOrDeleteOutside.
# The scenarios leave out what Windows itself cannot have or do under Wine, each saying so where
# it does: phone file names with control characters, quotes or backslashes on the host (json),
# SIGINT sent to a Windows program (standard_streams), flock on the phone folder (phone_folder).
set(VESTREL_WINDOWS_SKIP_virtualphone_tests
    Folder.ADirectoryLinkInsideTheFolderCarriesNoWriteOrDeleteOutside)

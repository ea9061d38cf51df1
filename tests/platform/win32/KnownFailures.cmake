# Cases that cannot run in the Windows build under Wine, each with its cause; the suites run
# every other case, and every scenario.
# The link cases (HostLink.*, Folder.ADirectoryLinkInsideTheFolderCarriesNoWriteOrDeleteOutside)
# skip themselves where a program can make no link: Wine 8's CreateSymbolicLinkW reports
# success and makes nothing, and it sets no reparse point either. Wine does show a link made on
# the Linux side as a reparse point, so windows.phone_folder_link plants one there and checks the
# phone folder's link guard in the Windows build.
# The scenarios leave out what Windows itself cannot have or do under Wine, each saying so where
# it does: phone file names with control characters, quotes or backslashes on the host (json),
# SIGINT sent to a Windows program (standard_streams), flock on the phone folder (phone_folder).

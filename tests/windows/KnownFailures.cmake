# Cases that fail in the Windows build for faults not yet mended there, each with its cause.
# The suites run every other case; ctest lists the scenarios as disabled.
#  - a test removes a file it still holds open (Windows refuses: sharing violation);
#  - UTF-8 phone names made into paths are read in the ANSI code page (Cyrillic names);
#  - the C runtime has no text for ETIMEDOUT ("Unknown error").
set(VESTREL_WINDOWS_SKIP_platform_tests
    WireTrace.DriverCallsOpenAndCloseGiveOneLineEach
    WireTrace.TheEnvironmentVariableSwitchesTracingOnToAFile
    VirtualPhoneHost.TheTraceOptionTracesEveryOpenWithItsReason)
set(VESTREL_WINDOWS_SKIP_p2k_tests
    Folder.ANewFolderGetsTheSamplePhoneAsRealFiles
    Folder.ChangesMadeThroughThePhoneLinkSurviveTheNextRun
    Folder.FilesDroppedIntoTheFolderAppearOnThePhone)
set(VESTREL_WINDOWS_SKIP_backup_tests
    BackupLogFile.HoldsEveryLineWithCrLfAndIsNotWrittenWhenEmpty
    BackupRunTest.C380WithEveryElementSavesSixFilesAndPacksTheLast
    BackupRunTest.PdsSavesTheFixedRangeUnderTheChosenName
    PackFile.StartsTheArchiverInTheFilesFolderWithOneArgumentPerWord)
set(VESTREL_WINDOWS_SKIP_SCENARIOS files)

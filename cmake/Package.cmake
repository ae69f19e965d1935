# The Debian package: cpack -G DEB in the build folder gives veltaro_<version>_<arch>.deb.
# dpkg-shlibdeps finds the libraries the program files link; the rest are what Qt and the program
# load at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veltaro")
set(CPACK_PACKAGE_CONTACT "Veltaro <veltaro@veltaro.org>")
# The synopsis in English, as package lists show it; the description in Chinese first.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "accounting exam practice: multiple-choice papers and timed exams")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Veltaro语音读题从题库中选择试卷，逐题练习会计资格考试的选择题，朗读题目，\n按考号和场次计时考试，交卷后当场评分，打印或导出答题卡和错题。\n.\nPractise multiple-choice papers for an accounting qualification, hear the\nquestions read aloud, and sit timed exams that are marked at once; print or\nexport answer cards and wrong answers. The interface is Chinese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://veltaro.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program loads besides the libraries it links (measured in /proc/PID/maps while reading
# a question aloud and opening every window): the SQLite driver, a Qt plugin; Qt's SVG plugins,
# which draw the toolbar icons; and the Chinese font, which draws the interface and the PDFs. Sound
# goes through Qt Multimedia's own PulseAudio output (libpulse0, a dependency of libqt6multimedia6):
# no GStreamer plugin is ever loaded.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6, fonts-wqy-zenhei")
# Qt's own dialogs (print, font, colour) in Chinese; the PostgreSQL driver for a classroom's bank on
# a server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libqt6sql6-psql")
# Reading aloud plays through a sound server that speaks PulseAudio's protocol, which a desktop runs
# already; without one the program says there is no sound device and does everything else.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pipewire-pulse | pulseaudio")
set(CPACK_STRIP_FILES ON)
include(CPack)

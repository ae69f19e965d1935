# The Debian package: cpack -G DEB in the build folder gives veltaro_<version>_<arch>.deb.
# dpkg-shlibdeps finds the libraries the program files link; the rest are what Qt and the program
# load at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veltaro")
set(CPACK_PACKAGE_CONTACT "Veltaro <veltaro@veltaro.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Veltaro语音读题：会计资格考试选择题练习与计时考试")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Veltaro语音读题从题库中选择试卷，逐题练习会计资格考试的选择题，朗读题目，\n按考号和场次计时考试，交卷后当场评分，打印或导出答题卡和错题。\n.\nPractise multiple-choice accounting papers and sit timed exams (Chinese interface).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://veltaro.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SQLite driver is a Qt plugin; the Chinese font draws the interface and the PDFs; GStreamer's
# good plugins play the recordings; Qt's SVG plugins draw the toolbar icons; Qt Charts draws the
# practice statistics and the classroom's totals.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, fonts-wqy-zenhei, gstreamer1.0-plugins-good, libqt6svg6, libqt6charts6")
# Qt's own dialogs (print, font, colour) in Chinese; the PostgreSQL driver for a classroom's bank on
# a server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libqt6sql6-psql")
set(CPACK_STRIP_FILES ON)
include(CPack)

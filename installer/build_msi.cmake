# cmake -DWXS=<file> -DOUT=<msi> -DVERSION=<x.y.z> -DLIBRARY=<dll> -DICON=<ico> -P build_msi.cmake
# Builds the Windows Installer package with wixl, then adds with msibuild the rows that wixl 0.101
# cannot write (it has no RemoveFile names and no registry key removal).
foreach(arg WXS OUT VERSION LIBRARY ICON)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "build_msi.cmake: ${arg} is not set")
  endif()
endforeach()

# The product code follows the version: each release is a new product that replaces the older
# ones (the upgrade code is fixed in the .wxs), and the same version built again is the same
# product, which Windows Installer refuses to add a second time.
set(upgrade_code B0BD6156-4598-485F-90AE-DEA76963B80D)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "iePagelens ${VERSION}" TYPE SHA1 UPPER)

# Programs and Features shows ARPSIZE, in kilobytes.
file(SIZE ${LIBRARY} library_bytes)
math(EXPR library_kilobytes "(${library_bytes} + 1023) / 1024")

# wixl takes the files it packs by names relative to the .wxs: it gets a folder of its own.
get_filename_component(out_name ${OUT} NAME)
set(work ${OUT}.files)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(COPY_FILE ${WXS} ${work}/package.wxs)
file(COPY_FILE ${LIBRARY} ${work}/iePagelens.dll)
file(COPY_FILE ${ICON} ${work}/pagelens.ico)
file(REMOVE ${OUT})
execute_process(
  COMMAND wixl --arch x86 -D Version=${VERSION} -D ProductCode={${product_code}}
          -D Library=iePagelens.dll -D Icon=pagelens.ico -D LibraryKilobytes=${library_kilobytes}
          -o ${out_name} package.wxs
  WORKING_DIRECTORY ${work}
  RESULT_VARIABLE status)
file(RENAME ${work}/${out_name} ${OUT} RESULT moved)
file(REMOVE_RECURSE ${work})
if(NOT status EQUAL 0 OR NOT moved EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "wixl failed on ${WXS}")
endif()

# Uninstalling removes what using the extension adds: the work file snapshot.jpg (left when the
# browser ended with the window open) and the settings key.
set(insert_remove_file "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`)")
set(insert_registry "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`)")
execute_process(
  COMMAND msibuild ${OUT}
          -q "${insert_remove_file} VALUES ('RemoveWorkFile', 'Library', 'snapshot.jpg', 'ProgramFolder', 2)"
          -q "${insert_registry} VALUES ('RemoveSettings', 2, 'Software\\Velmora\\iePagelens', '-', 'Library')"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "msibuild could not finish ${OUT}")
endif()

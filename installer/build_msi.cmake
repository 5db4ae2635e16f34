# cmake -DWXS=<file> -DOUT=<msi> -DVERSION=<x.y.z> -DLIBRARY=<dll> -DICON=<ico>
#       [-DARCH=x64 -DLIBRARY64=<dll>] -P build_msi.cmake
# Builds the Windows Installer package with wixl, then adds with msibuild the rows that wixl 0.101
# cannot write (it has no RemoveFile names, no registry key removal and no key without values).
# LIBRARY is the 32-bit library; the x64 package carries LIBRARY64 beside it.
if(NOT DEFINED ARCH)
  set(ARCH x86)
endif()
set(required WXS OUT VERSION LIBRARY ICON)
if(ARCH STREQUAL x64)
  list(APPEND required LIBRARY64)
elseif(NOT ARCH STREQUAL x86)
  message(FATAL_ERROR "build_msi.cmake: ARCH is x86 or x64, not ${ARCH}")
endif()
foreach(arg ${required})
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "build_msi.cmake: ${arg} is not set")
  endif()
  if(arg MATCHES "^LIBRARY" AND NOT EXISTS ${${arg}})
    message(FATAL_ERROR "build_msi.cmake: ${${arg}} is missing (the 64-bit packages take the "
                        "32-bit library from the 32-bit build: scripts/build.sh builds both)")
  endif()
endforeach()

# The product code follows the version: each release is a new product that replaces the older
# ones (the upgrade code is fixed in the .wxs), and the same version built again is the same
# product, which Windows Installer refuses to add a second time. The x64 package is a product of
# its own (its upgrade code, and so its product codes, differ).
set(x86_upgrade_code B0BD6156-4598-485F-90AE-DEA76963B80D)
if(ARCH STREQUAL x64)
  set(upgrade_code C04D7E3A-406C-43AB-9F57-820E2357CDCB)
else()
  set(upgrade_code ${x86_upgrade_code})
endif()
string(UUID product_code NAMESPACE ${upgrade_code} NAME "iePagelens ${VERSION}" TYPE SHA1 UPPER)

# Programs and Features shows ARPSIZE, in kilobytes.
file(SIZE ${LIBRARY} library_bytes)
if(ARCH STREQUAL x64)
  file(SIZE ${LIBRARY64} library64_bytes)
  math(EXPR library_bytes "${library_bytes} + ${library64_bytes}")
endif()
math(EXPR library_kilobytes "(${library_bytes} + 1023) / 1024")

# wixl takes the files it packs by names relative to the .wxs: it gets a folder of its own.
get_filename_component(out_name ${OUT} NAME)
set(work ${OUT}.files)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(COPY_FILE ${WXS} ${work}/package.wxs)
get_filename_component(wxs_folder ${WXS} DIRECTORY)
file(COPY_FILE ${wxs_folder}/library_entries.wxi ${work}/library_entries.wxi)
file(COPY_FILE ${LIBRARY} ${work}/iePagelens.dll)
set(library64_define)
if(ARCH STREQUAL x64)
  file(MAKE_DIRECTORY ${work}/x64)
  file(COPY_FILE ${LIBRARY64} ${work}/x64/iePagelens.dll)
  set(library64_define -D Library64=x64/iePagelens.dll)
endif()
file(COPY_FILE ${ICON} ${work}/pagelens.ico)
file(REMOVE ${OUT})
execute_process(
  COMMAND wixl --arch ${ARCH} -D Arch=${ARCH} -D Version=${VERSION} -D ProductCode={${product_code}}
          -D Library=iePagelens.dll ${library64_define} -D Icon=pagelens.ico
          -D LibraryKilobytes=${library_kilobytes} -o ${out_name} package.wxs
  WORKING_DIRECTORY ${work}
  RESULT_VARIABLE status)
file(RENAME ${work}/${out_name} ${OUT} RESULT moved)
file(REMOVE_RECURSE ${work})
if(NOT status EQUAL 0 OR NOT moved EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "wixl failed on ${WXS}")
endif()

# Uninstalling removes what using the extension adds: the work file snapshot.jpg (left when the
# browser ended with the window open) and the settings key, of each library in its own folder and
# registry view. Each library's class is marked compatible with AppContainer tabs (Enhanced
# Protected Mode) by the key CATID_AppContainerCompatible under Implemented Categories.
set(insert_remove_file "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`)")
set(insert_registry "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`)")
set(category_key "CLSID\\{6074F29D-3144-4FA6-A9A5-41EF836D98B5}\\Implemented Categories\\{59FB2056-D625-48D0-A944-1A85B5AB2640}")
set(queries)
set(suffixes "")
if(ARCH STREQUAL x64)
  list(APPEND suffixes 64)
endif()
foreach(suffix IN ITEMS "" ${suffixes})
  list(APPEND queries
    -q "${insert_remove_file} VALUES ('RemoveWorkFile${suffix}', 'Library${suffix}', 'snapshot.jpg', 'ProgramFolder${suffix}', 2)"
    -q "${insert_registry} VALUES ('RemoveSettings${suffix}', 2, 'Software\\Velmora\\iePagelens', '-', 'Library${suffix}')"
    -q "${insert_registry} VALUES ('AppContainerCategory${suffix}', 0, '${category_key}', '*', 'Library${suffix}')")
endforeach()
execute_process(COMMAND msibuild ${OUT} ${queries} RESULT_VARIABLE status)
# The x64 package replaces a 32-bit package of any version: both would own the 32-bit library.
# (The property's value holds semicolons, so it is one quoted argument of its own.)
if(ARCH STREQUAL x64 AND status EQUAL 0)
  set(secure_properties PAGELENS_X86_DETECTED;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED)
  execute_process(
    COMMAND msibuild ${OUT}
            -q "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `Language`, `Attributes`, `ActionProperty`) VALUES ('{${x86_upgrade_code}}', '0.0.0', '', 256, 'PAGELENS_X86_DETECTED')"
            -q "UPDATE `Property` SET `Value` = '${secure_properties}' WHERE `Property` = 'SecureCustomProperties'"
    RESULT_VARIABLE status)
endif()
if(NOT status EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "msibuild could not finish ${OUT}")
endif()

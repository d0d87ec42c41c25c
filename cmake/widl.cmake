# wexlink_widl(<idl> <outdir> <basename>): compiles an IDL file into a type library and the C
# header/identifier files, with Wine's IDL imports and stdole2.tlb on the search paths. IDL files
# beside the compiled one may be imported, and the shared headers included.
set(WEXLINK_WINE_IDL_DIR /usr/include/wine/wine/windows)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(WEXLINK_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
    set(WEXLINK_WIDL_TARGET -m64)
else()
    set(WEXLINK_WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
    set(WEXLINK_WIDL_TARGET -m32)
endif()

# widl prints "duplicate uuid" for {00020430-...} (the stdole library) and {00020400-...} (IDispatch)
# on our IDL. Neither is ours, and no identifier of ours is duplicated. They appear only when a library
# holds both a dual interface, whose IDispatch base comes from the imported oaidl.idl, and a
# dispinterface, whose implied IDispatch base this widl takes from the imported stdole2.tlb: it then
# meets the stdole library and IDispatch twice. The type library written refers to stdole2.tlb once.
# Dropping either import is no cure: without importlib("stdole2.tlb") this widl crashes, and without
# oaidl.idl no interface can derive from IDispatch.
function(wexlink_widl idl outdir basename)
    set(tlb ${outdir}/${basename}.tlb)
    set(hdr ${outdir}/${basename}.h)
    set(iid ${outdir}/${basename}_i.c)
    get_filename_component(idldir ${idl} DIRECTORY)
    file(GLOB siblings ${idldir}/*.idl ${PROJECT_SOURCE_DIR}/shared/*.h)
    add_custom_command(
        OUTPUT ${tlb} ${hdr} ${iid}
        COMMAND ${WEXLINK_WIDL} ${WEXLINK_WIDL_TARGET} -I ${idldir} -I ${PROJECT_SOURCE_DIR}/shared -I ${WEXLINK_WINE_IDL_DIR}
                -L ${WEXLINK_WINE_TLB_DIR} -t -h -u -o ${outdir} -T ${tlb} -H ${hdr} -U ${iid} ${idl}
        DEPENDS ${siblings}
        COMMENT "widl ${basename}"
        VERBATIM)
endfunction()

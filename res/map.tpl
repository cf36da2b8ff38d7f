; The country chooser's map. The program fills the placeholders and hands the text to its
; map view (ui/MapDocument.h): {1} longitude and {2} latitude of the centre (degrees),
; {3} width and {4} height of the map (96-dpi pixels; the panel is 30 smaller, so the map
; is cut by 15 at each edge), {5} the setting "URL.MapMask" (the name of a colour scheme
; below; empty: the [Colors] as they are) and {6} the zoom level (as web maps count it).
; Nothing is fetched from anywhere: the country shapes are the file named by Shapes.

[Map]
Longitude={1}
Latitude={2}
Width={3}
Height={4}
Scheme={5}
Zoom={6}
Shapes=worldmap\countries.map

[Style]
BorderWidth=0.8
MarkerRadius=6
; Lines of longitude and latitude every so many degrees; 0: none.
GraticuleStep=10

[Colors]
Sea=#A9CDE6
Land=#F3EFE4
Border=#9A9384
Highlight=#F6B26B
HighlightBorder=#B45309
Graticule=#C4DDEE
Marker=#D7261E
MarkerBorder=#FFFFFF

; "URL.MapMask=Night" gives the chooser this look.
[Scheme.Night]
Sea=#1B2A41
Land=#3C4F65
Border=#6B7F95
Highlight=#E0A458
HighlightBorder=#FFD08A
Graticule=#24364F
Marker=#FF5A4E
MarkerBorder=#FFFFFF

; "URL.MapMask=Gray" gives a quiet look without colour.
[Scheme.Gray]
Sea=#D9D9D9
Land=#F7F7F7
Border=#A6A6A6
Highlight=#8C8C8C
HighlightBorder=#404040
Graticule=#CCCCCC
Marker=#202020
MarkerBorder=#FFFFFF

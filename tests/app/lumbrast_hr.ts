<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="hr_HR">
<context>
    <name>lumbrast::app::frmLumbrast</name>
    <message>
        <source>Start</source>
        <translation>Počni</translation>
    </message>
    <message>
        <source>Excellent %1, you win 3 points</source>
        <translation>Odlično, %1, dobivaš 3 boda</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Preljev</translation>
    </message>
</context>
<context>
    <name>Accessibility</name>
    <message>
        <source>Piece %1, face down</source>
        <translation>Pločica %1, licem dolje</translation>
    </message>
</context>
</TS>

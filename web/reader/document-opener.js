// Where documents come from: the file picker, a file dropped on the page,
// and the page's address (reader.html?doc=book.kwen, relative to the page).
// `open` gets {file} or {url}, and the name to show.

function nameFromUrl(url) {
  const last = url.pathname.split('/').filter(Boolean).pop() ?? url.hostname;
  try {
    return decodeURIComponent(last);
  } catch {
    return last;
  }
}

export function listenForDocuments({ fileInput, dropTarget }, open) {
  fileInput.addEventListener('change', () => {
    const file = fileInput.files[0];
    if (file) open({ file }, file.name);
    fileInput.value = '';  // the same file chosen again opens again
  });
  dropTarget.addEventListener('dragover', (event) => {
    if (![...event.dataTransfer.types].includes('Files')) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    dropTarget.classList.add('dropping');
  });
  dropTarget.addEventListener('dragleave', (event) => {
    if (!dropTarget.contains(event.relatedTarget)) dropTarget.classList.remove('dropping');
  });
  dropTarget.addEventListener('drop', (event) => {
    event.preventDefault();
    dropTarget.classList.remove('dropping');
    const file = event.dataTransfer.files[0];
    if (file) open({ file }, file.name);
  });
}

// The document the address asks for ({source, name}; source null when the
// address given is not one), or null when it asks for none.
export function documentInAddress(location) {
  const asked = new URLSearchParams(location.search).get('doc');
  if (!asked) return null;
  try {
    const url = new URL(asked, location.href);
    return { source: { url: url.href }, name: nameFromUrl(url) };
  } catch {
    return { source: null, name: asked };
  }
}
